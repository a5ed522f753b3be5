#pragma once

namespace zar {

// Gives a pipe that is written in bulk a room of 1 MB, the most an ordinary
// process may ask for by default, so that writer and reader take turns
// sixteen times less often. Anything that is no pipe, or a refusal, leaves
// the descriptor as it was.
void WidenPipe(int fd);

}  // namespace zar
