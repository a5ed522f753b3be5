// The look for a repeated state of the machine, kept from one run to the
// next, and the skipping of whole repeats.
#include <algorithm>

#include "session/session.h"

namespace zar {

namespace {

// The steps of a run between two looks for a repeated state: few after
// an input, so that a program that soon settles into a loop is seen to,
// growing up to many, so that looks cost little in a run that never repeats.
constexpr std::uint64_t FirstPart = 1 << 7;
constexpr std::uint64_t SkipPart = 1 << 14;
// A program that prints a character or serves a command at least once in
// this many steps keeps printing or drawing.
constexpr std::uint64_t EventsApart = 256;

// A state that came back after steps steps, with nothing printed, drawn or
// sent between, came back by the instructions alone and the commands that
// do nothing but are cleared: the shortest period divides steps. Where that
// is cheap it is sought for, and the state is seen to come back (0 when it
// does not).
std::uint64_t ShortestPeriod(const Machine& state, std::uint64_t steps) {
  constexpr std::uint64_t MostTried = 1 << 20;
  if (steps > MostTried) return steps;
  Machine probe = state;
  for (std::uint64_t k = 1; k <= steps; ++k) {
    Execute(probe, Decode(probe));
    probe.Memory[ScreenCommandCell] = probe.Memory[NetCommandCell] = 0;
    if (steps % k == 0 && probe.IP == state.IP && probe.Memory == state.Memory) return k;
  }
  return 0;
}

}  // namespace

void Session::SetSkipsCycles(bool skip) {
  skipCycles_ = skip;
  ForgetRepeats();
}

void Session::ForgetRepeats() {
  codeUnchecked_ = true;  // every input forgets the repeats: the compiled code checks what it changed
  repeats_.power = 1;
  repeats_.part = FirstPart;
  SaveForRepeats();
}

void Session::SaveForRepeats() {
  RepeatSearch& r = repeats_;
  r.saved = machine_;
  r.savedAt = steps_;
  r.printed = console_.End();
  r.services = services_;
  r.looks = 0;
  r.period = 0;
  r.nextLook = steps_ + r.part;
}

// A look at the state now: true when it is the saved one, with nothing but
// plain steps since (so that it repeats for ever), and the period known.
// The state is saved again after a character printed or a device command
// served, and else at looks 1, 2, 4, 8... apart, so that any period is found:
// between two saves the looks are the same steps apart, and those steps
// double at each save up to SkipPart.
bool Session::AtRepeat() {
  RepeatSearch& r = repeats_;
  if (console_.End() != r.printed || services_ != r.services) {
    // A program that printed or drew now and then may have settled into a
    // loop since: it is looked at soon again; one that keeps doing so, seldom.
    const std::uint64_t events = console_.End() - r.printed + services_ - r.services;
    r.part = events * EventsApart < r.part ? FirstPart : std::min(2 * r.part, SkipPart);
    r.power = 1;
    SaveForRepeats();
    return false;
  }
  const std::uint64_t since = steps_ - r.savedAt;
  if (r.period != 0 && since % r.period != 0) {
    // Steps of a run that does not look (one step at a time) came between.
    r.nextLook = steps_ + r.period - since % r.period;
    return false;
  }
  if ((r.period != 0 || since > 0) && machine_.IP == r.saved.IP && machine_.Memory == r.saved.Memory) {
    if (r.period == 0) r.period = ShortestPeriod(r.saved, since);
    if (r.period != 0 && recordHistory_ && since < SumHistory::Size) {
      // Repeats are counted with the samples of the last period: the
      // history's whole ring must hold samples of the repeat first.
      r.nextLook = steps_ + (SumHistory::Size - since + r.period - 1) / r.period * r.period;
      return false;
    }
    r.savedAt = steps_;
    if (r.period != 0) return true;
  }
  r.period = 0;
  r.nextLook = steps_ + r.part;
  if (++r.looks == r.power) {
    r.part = std::min(2 * r.part, SkipPart);
    SaveForRepeats();
    r.power *= 2;
  }
  return false;
}

// Counts the whole repeats that fit in most steps and before the record's
// next checkpoint, with the history samples they would have taken.
void Session::SkipRepeats(std::uint64_t most) {
  const std::uint64_t period = repeats_.period;
  std::uint64_t n = most / period * period;
  if (nextCheckpoint_ != Never) n = std::min(n, (nextCheckpoint_ - steps_) / period * period);
  if (recordHistory_) history_.Repeat(n);
  steps_ += n;
  if (steps_ == nextCheckpoint_) Checkpoint(steps_);
  // The state comes back after one more period.
  repeats_.savedAt = steps_;
  repeats_.nextLook = steps_ + period;
}

}  // namespace zar
