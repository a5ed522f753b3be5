// The session's step-back record: checkpoints, the inputs between steps,
// and going back by restoring a checkpoint and stepping forward again.
#include <algorithm>
#include <deque>
#include <new>
#include <optional>
#include <utility>
#include <variant>

#include "session/session.h"

namespace zar {

void Session::StartRecord() {
  record_ = std::make_unique<StepRecord>();
  Checkpoint(steps_);
}

void Session::StopRecord() {
  record_.reset();
  nextCheckpoint_ = Never;
}

std::uint64_t Session::RecordDepth() const { return record_ ? steps_ - record_->checkpoints.front().step : 0; }

std::size_t Session::RecordBytes() const {
  if (!record_) return 0;
  std::size_t bytes = sizeof(StepRecord) + record_->inputs.size() * sizeof(RecordedInput) +
                      record_->networkSteps.size() * sizeof(std::uint64_t);
  const zar::Checkpoint* previous = nullptr;
  for (const zar::Checkpoint& checkpoint : record_->checkpoints) {
    bytes += sizeof checkpoint + checkpoint.screen.BytesBeyond(previous ? &previous->screen : nullptr);
    previous = &checkpoint;
  }
  return bytes;
}

void Session::Checkpoint(std::uint64_t atStep) {
  std::deque<zar::Checkpoint>& checkpoints = record_->checkpoints;
  checkpoints.push_back(
      {atStep, machine_,
       ScreenSnapshot::Take(screen_.Buffer, checkpoints.empty() ? nullptr : &checkpoints.back().screen),
       screen_.ScreenColor, history_, recordHistory_, console_.End()});
  nextCheckpoint_ = atStep + StepRecord::CheckpointSteps;
  // The oldest checkpoint goes once the next one is deep enough on its own.
  while (checkpoints.size() > 1 && checkpoints[1].step + StepRecord::MaxDepth <= atStep) checkpoints.pop_front();
  const std::uint64_t oldest = checkpoints.front().step;
  while (!record_->inputs.empty() && record_->inputs.front().step < oldest) record_->inputs.pop_front();
  while (!record_->networkSteps.empty() && record_->networkSteps.front() <= oldest) record_->networkSteps.pop_front();
}

// Of the writes to one cell with no step and no other input between them,
// only the last matters: it takes the place of the one before, so that a
// flood of inputs while the machine is stopped keeps the record as it was.
void Session::Record(RecordedInput input) {
  std::deque<RecordedInput>& inputs = record_->inputs;
  if (const auto* cell = std::get_if<CellInput>(&input.input); cell && !inputs.empty()) {
    RecordedInput& last = inputs.back();
    auto* previous = std::get_if<CellInput>(&last.input);
    if (previous && previous->cell == cell->cell && last.step == input.step) {
      previous->value = cell->value;
      return;
    }
  }
  inputs.push_back(std::move(input));
}

void Session::Restore(const zar::Checkpoint& checkpoint) {
  steps_ = checkpoint.step;
  machine_ = checkpoint.machine;
  checkpoint.screen.RestoreInto(screen_.Buffer);
  screen_.ScreenColor = checkpoint.screenColor;
  history_ = checkpoint.history;
  recordHistory_ = checkpoint.recordHistory;
  console_.TruncateTo(checkpoint.printed);
  sumKnown_ = false;
  ForgetRepeats();
}

void Session::ApplyInput(const RecordedInput& recorded) {
  sumKnown_ = false;
  ForgetRepeats();
  if (const auto* cell = std::get_if<CellInput>(&recorded.input)) machine_.Memory[cell->cell] = cell->value;
  if (const auto* whole = std::get_if<MachineInput>(&recorded.input)) machine_ = whole->machine;
  if (const auto* history = std::get_if<HistoryInput>(&recorded.input)) recordHistory_ = history->watched;
}

template <typename Work>
void Session::Unobserved(Work&& work) {
  auto record = std::move(record_);
  const std::uint64_t nextCheckpoint = std::exchange(nextCheckpoint_, Never);
  OfflineNetworkPort offline;
  NetworkPort* network = std::exchange(network_, &offline);
  // Replaying takes a few thousand steps at most: the interpreter's.
  const Engine engine = engine_ == Engine::Compiled ? std::exchange(engine_, Engine::Interpreter) : engine_;
  const auto putBack = [&] {
    engine_ = engine;
    network_ = network;
    nextCheckpoint_ = nextCheckpoint;
    record_ = std::move(record);
  };
  try {
    work(*record);
  } catch (const std::bad_alloc&) {
    // The replay stopped half-way: the session stays where it got to, and
    // the record ends there.
    putBack();
    TruncateRecord(steps_);
    throw;
  }
  putBack();
}

// Steps from a restored checkpoint to toStep, each recorded input where it
// came, in runs of the one loop between two inputs. With hit given, the
// debugger looks at every step, and hit keeps the last stop it would have made.
void Session::Replay(const StepRecord& record, std::uint64_t toStep, std::size_t& input, LastStop* hit) {
  const auto apply = [&] {
    for (; input < record.inputs.size() && record.inputs[input].step == steps_; ++input) {
      ApplyInput(record.inputs[input]);
    }
  };
  apply();
  while (steps_ < toStep) {
    std::uint64_t until = toStep;
    if (input < record.inputs.size()) until = std::min(until, record.inputs[input].step);
    while (steps_ < until) {
      const RunStop stop = RunUnpaused({until - steps_, hit != nullptr, false});
      if (stop.ByDebugger()) *hit = {steps_, stop};
    }
    apply();
  }
}

void Session::TruncateRecord(std::uint64_t step) {
  while (record_->checkpoints.size() > 1 && record_->checkpoints.back().step > step) record_->checkpoints.pop_back();
  while (!record_->inputs.empty() && record_->inputs.back().step > step) record_->inputs.pop_back();
  while (!record_->networkSteps.empty() && record_->networkSteps.back() > step) record_->networkSteps.pop_back();
  nextCheckpoint_ = record_->checkpoints.back().step + StepRecord::CheckpointSteps;
}

namespace {

std::size_t FirstInputAt(const std::deque<RecordedInput>& inputs, std::uint64_t step) {
  return static_cast<std::size_t>(std::lower_bound(inputs.begin(), inputs.end(), step,
                                                   [](const RecordedInput& i, std::uint64_t s) { return i.step < s; }) -
                                  inputs.begin());
}

}  // namespace

BackResult Session::GoBackTo(std::uint64_t step) {
  BackResult result;
  result.steps = steps_ - step;
  result.crossedNetwork = !record_->networkSteps.empty() && record_->networkSteps.back() > step;
  const auto& checkpoints = record_->checkpoints;
  const auto after = [](std::uint64_t s, const zar::Checkpoint& c) { return s < c.step; };
  const auto checkpoint = std::prev(std::upper_bound(checkpoints.begin(), checkpoints.end(), step, after));
  Restore(*checkpoint);
  std::size_t input = FirstInputAt(record_->inputs, checkpoint->step);
  Unobserved([&](const StepRecord& record) { Replay(record, step, input, nullptr); });
  TruncateRecord(step);
  console_.SettleClear();
  ForgetRepeats();
  return result;
}

BackResult Session::StepBack(std::uint64_t n) {
  const std::uint64_t depth = RecordDepth();
  if (depth == 0 || n == 0) return {};
  return GoBackTo(steps_ - std::min(n, depth));
}

// Replays the record segment by segment, newest first, until a segment holds
// a state that a breakpoint or a watch would have stopped at.
BackResult Session::RunBack() {
  if (RecordDepth() == 0) return {};
  const std::uint64_t now = steps_;
  std::uint64_t target = record_->checkpoints.front().step;
  RunStop stop;
  for (std::size_t k = record_->checkpoints.size(); Debugging() && k-- > 0;) {
    const std::uint64_t from = record_->checkpoints[k].step;
    if (from >= now) continue;
    // The states after from up to the next checkpoint's, and before now.
    const std::uint64_t last = k + 1 < record_->checkpoints.size() ? std::min(record_->checkpoints[k + 1].step, now - 1)
                                                                   : now - 1;
    Restore(record_->checkpoints[k]);
    std::size_t input = FirstInputAt(record_->inputs, from);
    LastStop hit;
    Unobserved([&](const StepRecord& record) { Replay(record, last, input, &hit); });
    if (hit) {
      target = hit->first;
      stop = hit->second;
      break;
    }
  }
  // Back from wherever the scan ended to now, then to the target.
  steps_ = now;
  BackResult result = GoBackTo(target);
  result.steps = now - target;
  result.stop = stop;
  return result;
}

}  // namespace zar
