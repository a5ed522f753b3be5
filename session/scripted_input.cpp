#include "session/scripted_input.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace zar {

NetResult ScriptedPeer::Connect(const std::string&, int) {
  state_ = State::Connecting;
  return NetResult::Done;
}

NetResult ScriptedPeer::Listen(int) {
  state_ = State::Listening;
  return NetResult::Done;
}

NetResult ScriptedPeer::SendByte(Byte value) {
  if (!Connected()) return NetResult::Failed;
  received_ += static_cast<char>(value);
  return NetResult::Done;
}

void ScriptedPeer::PeerConnects() {
  if (state_ == State::Listening || state_ == State::Connecting) state_ = State::Connected;
}

std::optional<Byte> ScriptedPeer::Arrive(const std::string& chunk) {
  if (state_ != State::Connected || chunk.empty()) return std::nullopt;
  return static_cast<Byte>(chunk[0]);
}

void ScriptedPeer::PeerCloses() {
  if (state_ == State::Connected) state_ = State::PeerClosed;
}

InputDriver::InputDriver(Session& session, std::vector<TimedInput> inputs, ScriptedPeer* peer)
    : session_(&session), inputs_(std::move(inputs)), peer_(peer), from_(session.Steps()) {
  std::stable_sort(inputs_.begin(), inputs_.end(),
                   [](const TimedInput& a, const TimedInput& b) { return a.step < b.step; });
}

void InputDriver::Apply(const TimedInput& input) {
  switch (input.kind) {
    case TimedInput::Kind::Key:
    case TimedInput::Kind::Cell:
      session_->WriteCell(input.cell, input.value);
      break;
    case TimedInput::Kind::Connect:
      if (peer_) peer_->PeerConnects();
      break;
    case TimedInput::Kind::Net:
      if (!peer_) {
        if (!input.bytes.empty()) session_->WriteCell(NetDataCell, static_cast<Byte>(input.bytes[0]));
      } else if (const std::optional<Byte> first = peer_->Arrive(input.bytes)) {
        session_->WriteCell(NetDataCell, *first);
      }
      break;
    case TimedInput::Kind::Close:
      if (peer_) peer_->PeerCloses();
      break;
  }
}

void InputDriver::ApplyDue() {
  if (BeforeStart()) {
    next_ = 0;
    return;
  }
  // Going back undid the inputs after the step it went to: they come again.
  while (next_ > 0 && inputs_[next_ - 1].step > Clock()) --next_;
  while (next_ < inputs_.size() && inputs_[next_].step <= Clock()) Apply(inputs_[next_++]);
}

std::uint64_t InputDriver::StepsToNextInput() const {
  if (!InputsLeft() || BeforeStart()) return std::numeric_limits<std::uint64_t>::max();
  return inputs_[next_].step - std::min(inputs_[next_].step, Clock());
}

RunStop InputDriver::Advance(RunPolicy policy) {
  ApplyDue();
  policy.maxSteps = std::min(policy.maxSteps, StepsToNextInput());
  return session_->Run(policy);
}

RunStop InputDriver::PastFixedPoint(RunStop stop, std::optional<std::uint64_t> until) {
  if (stop.reason != RunStop::Reason::FixedPoint || !InputsLeft() || BeforeStart() ||
      (until && inputs_[next_].step >= *until)) {
    return stop;
  }
  skipped_ += StepsToNextInput();
  stop.reason = RunStop::Reason::StepLimit;
  return stop;
}

void InputDriver::Step() {
  ApplyDue();
  if (!session_->Step()) PastFixedPoint({RunStop::Reason::FixedPoint});
}

}  // namespace zar
