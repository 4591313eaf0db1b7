// What the programs set up before their dialogue begins.
#pragma once

namespace qb {

// Points PLPLOT_LIB and PGPLOT_DIR (replacing any value) at the directory that
// holds the plotting library's stroke fonts.
void set_plotting_environment();

}  // namespace qb
