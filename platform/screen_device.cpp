#include "platform/screen_device.hpp"

#include <dlfcn.h>
#include <plplot/plplot.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace qb {
namespace {

bool is_one_of(std::string_view name, std::span<const std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Devices that draw into a window and keep the page up until it is dismissed.
constexpr std::array<std::string_view, 4> kWindowDevices{"xwin", "xcairo", "qtwidget", "wxwidgets"};
// Devices that draw into memory or a context supplied by a host program: the
// system supplies none, so they cannot stand in for the screen.
constexpr std::array<std::string_view, 5> kHostedDevices{"mem", "memcairo", "memqt", "extcairo", "extqt"};

// File devices need a file name, or the library asks for one on the console.
std::string screen_file_for(std::string_view device) {
  if (device == "null" || is_one_of(device, kWindowDevices)) return {};
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 17> kExtensions{{
      {"pngcairo", ".png"}, {"pngqt", ".png"}, {"ps", ".ps"},       {"psc", ".ps"},        {"pscairo", ".ps"},
      {"epscairo", ".eps"}, {"pdf", ".pdf"},   {"pdfcairo", ".pdf"}, {"pdfqt", ".pdf"},    {"svg", ".svg"},
      {"svgcairo", ".svg"}, {"svgqt", ".svg"}, {"xfig", ".fig"},     {"jpgqt", ".jpg"},    {"bmpqt", ".bmp"},
      {"ppmqt", ".ppm"},    {"tiffqt", ".tif"},
  }};
  for (const auto& [name, extension] : kExtensions) {
    if (name == device) return "screen" + std::string(extension);
  }
  return "screen.out";
}

bool knows(std::span<const std::string> known, std::string_view device) {
  return std::find(known.begin(), known.end(), device) != known.end();
}

const ScreenDevice* g_replacement = nullptr;

}  // namespace

ScreenDevice choose_screen_device(const char* plplot_dev, bool has_display,
                                  std::span<const std::string> known_devices) {
  if (plplot_dev != nullptr && *plplot_dev != '\0') {
    const std::string_view wanted(plplot_dev);
    const bool usable = !is_one_of(wanted, kHostedDevices) && (has_display || !is_one_of(wanted, kWindowDevices));
    if (knows(known_devices, wanted) && usable) return {std::string(wanted), screen_file_for(wanted)};
  }
  if (has_display) {
    for (std::string_view window : {std::string_view("xcairo"), std::string_view("xwin")}) {
      if (knows(known_devices, window)) return {std::string(window), {}};
    }
  }
  if (knows(known_devices, "pngcairo")) return {"pngcairo", "screen.png"};
  // Colour PostScript is built into every PLplot.
  if (knows(known_devices, "psc")) return {"psc", "screen.ps"};
  return {"null", {}};
}

bool display_reachable(const char* display) {
  if (display == nullptr || *display == '\0') return false;
  // The window devices draw through Xlib; it is loaded only to ask, so the
  // programs need no X libraries where there is no display.
  void* xlib = ::dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
  if (xlib == nullptr) return false;
  using OpenDisplay = void* (*)(const char*);
  using CloseDisplay = int (*)(void*);
  const auto open_display = reinterpret_cast<OpenDisplay>(::dlsym(xlib, "XOpenDisplay"));
  const auto close_display = reinterpret_cast<CloseDisplay>(::dlsym(xlib, "XCloseDisplay"));
  bool reachable = false;
  if (open_display != nullptr && close_display != nullptr) {
    if (void* connection = open_display(display)) {
      reachable = true;
      close_display(connection);
    }
  }
  ::dlclose(xlib);
  return reachable;
}

std::vector<std::string> plotting_devices() {
  // plgDevs fills caller-supplied arrays of at most *count entries.
  constexpr int kCapacity = 128;
  std::array<const char*, kCapacity> menu{};
  std::array<const char*, kCapacity> names{};
  const char** menu_entries = menu.data();
  const char** device_names = names.data();
  int count = kCapacity;
  plgDevs(&menu_entries, &device_names, &count);
  std::vector<std::string> devices;
  for (int i = 0; i < count && i < kCapacity; ++i) {
    if (device_names[i] != nullptr) devices.emplace_back(device_names[i]);
  }
  return devices;
}

const ScreenDevice& screen_device() {
  if (g_replacement != nullptr) return *g_replacement;
  static const ScreenDevice chosen = [] {
    const std::vector<std::string> devices = plotting_devices();
    return choose_screen_device(std::getenv("PLPLOT_DEV"), display_reachable(std::getenv("DISPLAY")), devices);
  }();
  return chosen;
}

ScreenDeviceScope::ScreenDeviceScope(ScreenDevice replacement)
    : device_(std::move(replacement)), previous_(g_replacement) {
  g_replacement = &device_;
}

ScreenDeviceScope::~ScreenDeviceScope() { g_replacement = previous_; }

}  // namespace qb
