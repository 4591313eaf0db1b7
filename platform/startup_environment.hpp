// What the programs set up before their dialogue begins.
#pragma once

namespace qb {

// Opens /dev/null on each of standard input, output and error that is not
// open. A program started with one of them closed would otherwise give that
// descriptor to the first file it opens, and the console would be written
// into (or read from) that file.
void open_closed_standard_descriptors();

// Points PLPLOT_LIB and PGPLOT_DIR (replacing any value) at the directory that
// holds the plotting library's stroke fonts.
void set_plotting_environment();

// Everything a program does before its banner: the standard descriptors,
// the plotting environment and the choice of the screen device (which may
// open a connection to the display, so it comes after the descriptors).
void prepare_program_start();

}  // namespace qb
