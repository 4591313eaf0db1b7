// What the programs set up before their dialogue begins.
#pragma once

namespace qb {

// Points PLPLOT_LIB and PGPLOT_DIR (replacing any value) at the directory that
// holds the plotting library's stroke fonts.
void set_plotting_environment();

// Everything a program does before its banner: the plotting environment and
// the choice of the screen device.
void prepare_program_start();

}  // namespace qb
