// The plotting library's device that stands in for the screen.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace qb {

struct ScreenDevice {
  std::string name;       // a device name the plotting library knows
  std::string file_name;  // the file the page goes to; empty for a window or the null device
  bool draws_to_file() const { return !file_name.empty(); }
};

// Chooses the screen device from the plotting library's own PLPLOT_DEV,
// whether a display can be reached and the devices the library knows:
// PLPLOT_DEV when it names a usable device; else, with a display, a window
// (xcairo, else xwin); else a PNG file "screen.png" that the user can open.
// A device name the library does not know is never chosen: the library would
// ask for one on the console.
ScreenDevice choose_screen_device(const char* plplot_dev, bool has_display,
                                  std::span<const std::string> known_devices);

// Whether the X display named (DISPLAY) accepts a connection. The library
// ends the program when a window device cannot open its display, so a stale
// DISPLAY must not lead to one.
bool display_reachable(const char* display);

// The device names of the plotting library in this process.
std::vector<std::string> plotting_devices();

// The screen device of this run, chosen on the first call (the programs call
// it at start-up) and kept for the rest of the run.
const ScreenDevice& screen_device();

// Replaces the screen device for the length of a scope (tests, headless runs).
class ScreenDeviceScope {
 public:
  explicit ScreenDeviceScope(ScreenDevice replacement);
  ~ScreenDeviceScope();
  ScreenDeviceScope(const ScreenDeviceScope&) = delete;
  ScreenDeviceScope& operator=(const ScreenDeviceScope&) = delete;

 private:
  ScreenDevice device_;
  const ScreenDevice* previous_;
};

}  // namespace qb
