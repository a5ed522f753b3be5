#include "formats/pipe_room.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace zar {

void WidenPipe(int fd) {
#ifdef F_SETPIPE_SZ
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISFIFO(status.st_mode)) return;
  constexpr int Room = 1 << 20;
  if (::fcntl(fd, F_GETPIPE_SZ) < Room) ::fcntl(fd, F_SETPIPE_SZ, Room);
#else
  (void)fd;
#endif
}

}  // namespace zar
