#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "devices/network_device.h"
#include "machine/fill.h"
#include "session/key_queue.h"
#include "session/run_words.h"
#include "session/scripted_input.h"
#include "session/session.h"
#include "web/core/page_socket.h"

namespace zar::web {

// The characters the page's console keeps, as it shows them.
inline constexpr std::size_t PageConsoleKeep = ConsoleStore::Keep;

// A part of the console for the page: its characters from..to in UTF-8, its
// line breaks and control pictures as the desktop's console view shows them,
// and no more than the last `keep` of those shown characters.
struct ConsolePart {
  std::string text;
  bool cut = false;  // shown characters before the last `keep` were left out
};
ConsolePart ConsoleForPage(const ConsoleStore& console, std::uint64_t from, std::uint64_t to,
                           std::size_t keep = PageConsoleKeep);

// What a load found in the bytes it was given.
enum class Loaded { Program = 0, Source = 1, SourceFailed = 2 };

// The one machine of a page, owned by its worker: the session with its record,
// the timed inputs, the last program loaded (for Reset Machine) and the
// generator of the random fill.
class PageCore {
 public:
  PageCore();

  Session& TheSession() { return session_; }
  const Session& TheSession() const { return session_; }
  InputDriver& Driver() { return driver_; }
  // The steps since the last load, fill or copy.
  std::uint64_t StepsSinceLoad() const { return session_.Steps() - loadedAt_; }

  // A program file's text or an assembler source (by its name, or because
  // none of its first lines holds a cell value), as zar run judges it. The
  // assembler's messages, one a line, go to Text(). Breakpoints and watches
  // are cleared.
  Loaded Load(std::string_view bytes, std::string_view name);
  // Loads the last loaded bytes again (memory as they give it, IP 0).
  Loaded Reset();
  void Fill(FillPattern pattern);
  // The assembler's copy: the code with IP 0, or, when it failed, memory
  // cleared with IP where it was; the machine stopped either way.
  void CopyIntoMemory(const std::optional<MemoryCells>& code);
  // Timed inputs from now on: a --keys text (keys) or an --input script.
  bool SetInputs(std::string_view text, bool keys);

  // Runs until `clock` steps more have passed on the input clock or the
  // run stops; a fixed point with input still to come waits for it. A
  // slice at full speed, while a route takes the socket, ends early, within
  // NetBurst steps of a request the program gave it, for the route to have,
  // and stops where the state repeats (Repeating): only an input, which the
  // route may bring, can make the machine do anything new.
  static constexpr std::uint64_t NetBurst = 4096;
  RunStop RunFor(std::uint64_t clock, bool slice = false);
  // The run as the page runs it; a run that ends says "stopped" from then on.
  void SetRun(RunMode mode, bool waiting, bool paused, long long intervalMs);
  // The last run's stop becomes what the state line says while stopped.
  void Stopped(bool back = false);
  void StepBack(std::uint64_t steps);
  void RunBack();
  // The Debugger's state line.
  std::string StateText() const;
  // A key released in the page's key field or its on-screen keys.
  void Key(Byte code) { keys_.Release(session_, code); }
  void SetIP(Byte ip);

  // The network device: the page's socket while a route is chosen, else an
  // offline socket.
  PageSocket& Socket() { return socket_; }
  void UseSocket(bool on);
  // A chunk from the route: its first byte reaches the data cell, if any.
  void NetArrived(std::uint32_t use, const std::string& chunk);
  bool SocketInUse() const { return socketInUse_; }

  // The text last made (messages, program file, console, words).
  std::string& Text() { return text_; }
  // The screen's rows first..first+count as RGBA bytes.
  const std::uint8_t* ScreenRgba(int first, int count);

 private:
  void Loaded();

  OfflineNetworkPort offline_;
  PageSocket socket_;
  bool socketInUse_ = false;
  Session session_;
  InputDriver driver_;
  std::mt19937 generator_;
  std::string program_;
  std::string name_;
  std::uint64_t loadedAt_ = 0;
  RunStop last_;
  KeyQueue keys_;
  std::string stopped_ = "stopped";
  long long interval_ = 50;
  std::string text_;
  std::vector<std::uint8_t> rgba_;
};

}  // namespace zar::web
