#include "platform/startup_environment.hpp"

#include <cstdlib>

#include "platform/screen_device.hpp"

#ifndef QB_PLPLOT_FONT_DIR
#define QB_PLPLOT_FONT_DIR "/usr/share/plplot5.15.0"
#endif

namespace qb {

void set_plotting_environment() {
  ::setenv("PLPLOT_LIB", QB_PLPLOT_FONT_DIR, 1);
  ::setenv("PGPLOT_DIR", QB_PLPLOT_FONT_DIR, 1);
}

void prepare_program_start() {
  set_plotting_environment();
  screen_device();
}

}  // namespace qb
