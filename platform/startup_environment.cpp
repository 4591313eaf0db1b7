#include "platform/startup_environment.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/screen_device.hpp"

#ifndef QB_PLPLOT_FONT_DIR
#define QB_PLPLOT_FONT_DIR "/usr/share/plplot5.15.0"
#endif

namespace qb {

void open_closed_standard_descriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open() takes the lowest free descriptor, which is this one, since the
    // ones below it are open by now.
    const int opened = ::open("/dev/null", O_RDWR);
    if (opened == -1) return;
    if (opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

void set_plotting_environment() {
  ::setenv("PLPLOT_LIB", QB_PLPLOT_FONT_DIR, 1);
  ::setenv("PGPLOT_DIR", QB_PLPLOT_FONT_DIR, 1);
}

void prepare_program_start() {
  open_closed_standard_descriptors();
  set_plotting_environment();
  screen_device();
}

}  // namespace qb
