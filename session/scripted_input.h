#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devices/network_device.h"
#include "formats/input_script.h"
#include "machine/machine.h"
#include "session/session.h"

namespace zar {

// The other end of the network device in a headless run: it connects, sends
// and closes when its script says so, and keeps every byte the machine sends
// it. A peer connects only to a program that listens or is connecting; it
// sends only on a connection; after it closes, the program may still send.
class ScriptedPeer final : public NetworkPort {
 public:
  void Close() override { state_ = State::Idle; }
  NetResult Connect(const std::string& host, int port) override;
  NetResult Listen(int port) override;
  NetResult SendByte(Byte value) override;

  // The script's network inputs. Arrive returns the byte that reaches the
  // data cell, if the chunk arrives at all.
  void PeerConnects();
  std::optional<Byte> Arrive(const std::string& chunk);
  void PeerCloses();

  bool Connected() const { return state_ == State::Connected || state_ == State::PeerClosed; }
  bool Listening() const { return state_ == State::Listening; }
  // Every byte the machine sent, in order.
  const std::string& Received() const { return received_; }

 private:
  enum class State { Idle, Listening, Connecting, Connected, PeerClosed };
  State state_ = State::Idle;
  std::string received_;
};

// Runs a session with timed inputs, their steps counted from the session's
// steps when they were given. The clock counts the steps that ran and those
// skipped while the machine waited at a fixed point for the next input: they
// would have changed nothing. Going back undoes the inputs after the step it
// went to: they come again.
class InputDriver {
 public:
  // The peer takes the network inputs. Without one (the desktop, whose socket
  // is real) the first byte of a chunk goes into the data cell and the
  // connects and closes are left out.
  InputDriver(Session& session, std::vector<TimedInput> inputs, ScriptedPeer* peer = nullptr);

  std::uint64_t Clock() const { return session_->Steps() - from_ + skipped_; }
  // Writes the inputs whose step has come.
  void ApplyDue();
  // Writes the inputs due now, then runs at most policy.maxSteps steps, and
  // never past the step of the next input.
  RunStop Advance(RunPolicy policy);
  // The rule of a fixed point while inputs come: nothing changes until the
  // next input, so when one is still to come (before step `until` if given)
  // the clock moves on to it and the run goes on: the stop comes back as a
  // StepLimit. Any other stop, and a fixed point with no input to come,
  // comes back as it was.
  RunStop PastFixedPoint(RunStop stop, std::optional<std::uint64_t> until = std::nullopt);
  // The rule of a repeat of the state (a Repeating stop) while inputs come:
  // nothing new happens until the next input, so when one is still to come
  // (before step `until` if given) the run goes on to it, whole repeats
  // skipped, and the stop comes back as a StepLimit with those steps too.
  // Any other stop, and a repeat with no input to come, comes back as it was.
  RunStop PastRepeat(RunStop stop, RunPolicy policy, std::optional<std::uint64_t> until = std::nullopt);
  // Advance, and on past a fixed point or a repeat.
  RunStop Drive(RunPolicy policy, std::optional<std::uint64_t> until = std::nullopt) {
    return PastFixedPoint(PastRepeat(Advance(policy), policy, until), until);
  }
  // One step as Session::Step takes it, paused or not, the inputs due
  // written first, and on past a fixed point.
  void Step();
  bool InputsLeft() const { return next_ < inputs_.size(); }
  // The steps until the next input is due; the most there are when none is
  // left or the session went back before the inputs were given.
  std::uint64_t StepsToNextInput() const;

 private:
  void Apply(const TimedInput& input);
  bool InputComes(std::optional<std::uint64_t> until) const {
    return InputsLeft() && !BeforeStart() && !(until && inputs_[next_].step >= *until);
  }
  bool BeforeStart() const { return session_->Steps() < from_; }

  Session* session_;
  std::vector<TimedInput> inputs_;
  ScriptedPeer* peer_;
  std::uint64_t from_;
  std::size_t next_ = 0;
  std::uint64_t skipped_ = 0;
};

}  // namespace zar
