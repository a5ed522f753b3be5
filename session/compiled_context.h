#pragma once

// What the parts of the compiled engine share: the context compiled code
// runs with and the registers it keeps it in. Internal to the engine.

#include <cstdint>

#include "devices/network_device.h"
#include "devices/screen_device.h"
#include "session/compiled_code.h"

namespace zar {

struct CompiledCode::Context {
  Byte* memory;
  const std::uint8_t* holdsCode;
  const void* const* table;
  std::uint64_t budget;
  char* console;
  char* consoleEnd;
  std::uint32_t ip;
  std::uint32_t wrote;
  std::int32_t* ring;
  std::int32_t sum;
  std::uint32_t position;
  // The screen command a step of compiled code left in its cell, served:
  // whether it wrote a cell that holds code.
  std::uint32_t (*serveScreen)(Context* context);
  ScreenDevice* screen;
  std::uint64_t* services;  // screen and network commands that did something
  // The same for a network command: whether it reached the port (noted in
  // reached, and compiled code leaves after the step) or cleared a cell
  // that holds code.
  std::uint32_t (*serveNetwork)(Context* context);
  NetworkPort* network;
  std::uint32_t reached;
  // What compiled code plots into and sets the colour of without a call.
  ScreenBufferRaw screenRaw;
  ColorValue* screenColor;
};

}  // namespace zar
