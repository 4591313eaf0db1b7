#include "platform/screen_device.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace qb {
namespace {

const std::vector<std::string> kAllDevices = {"xwin",     "ps",       "psc",      "null",     "mem",
                                              "svg",      "xcairo",   "pngcairo", "pdfcairo", "extcairo"};

constexpr bool kDisplay = true;
constexpr bool kNoDisplay = false;

ScreenDevice choose(const char* plplot_dev, bool display, const std::vector<std::string>& known = kAllDevices) {
  return choose_screen_device(plplot_dev, display, known);
}

TEST(ScreenDevice, PlplotDevWhenTheLibraryKnowsIt) {
  EXPECT_EQ(choose("null", kDisplay).name, "null");
  EXPECT_FALSE(choose("null", kNoDisplay).draws_to_file());
  EXPECT_EQ(choose("xwin", kDisplay).name, "xwin");
  // File devices get a file, or the library would ask for one on the console.
  EXPECT_EQ(choose("pngcairo", kDisplay).file_name, "screen.png");
  EXPECT_EQ(choose("svg", kNoDisplay).file_name, "screen.svg");
  EXPECT_EQ(choose("psc", kNoDisplay).file_name, "screen.ps");
}

TEST(ScreenDevice, UnknownOrUnusableNamesFallBack) {
  // "Mac1" and prefixes are not in the list; a memory device has no host.
  for (const char* wanted : {"Mac1", "png", "mem", "extcairo", ""}) {
    EXPECT_EQ(choose(wanted, kDisplay).name, "xcairo") << wanted;
    const ScreenDevice headless = choose(wanted, kNoDisplay);
    EXPECT_EQ(headless.name, "pngcairo") << wanted;
    EXPECT_EQ(headless.file_name, "screen.png") << wanted;
  }
  EXPECT_EQ(choose(nullptr, kNoDisplay).name, "pngcairo");
  // A window without a display would end the program.
  EXPECT_EQ(choose("xcairo", kNoDisplay).name, "pngcairo");
}

TEST(ScreenDevice, FallBacksFollowWhatTheLibraryHas) {
  EXPECT_EQ(choose(nullptr, kDisplay, {"xwin", "psc", "pngcairo"}).name, "xwin");
  EXPECT_EQ(choose(nullptr, kDisplay, {"psc", "pngcairo"}).name, "pngcairo");
  const ScreenDevice postscript = choose(nullptr, kNoDisplay, {"psc", "null"});
  EXPECT_EQ(postscript.name, "psc");
  EXPECT_EQ(postscript.file_name, "screen.ps");
  EXPECT_EQ(choose(nullptr, kNoDisplay, {}).name, "null");
}

TEST(ScreenDevice, AStaleDisplayIsNoDisplay) {
  EXPECT_FALSE(display_reachable(nullptr));
  EXPECT_FALSE(display_reachable(""));
  EXPECT_FALSE(display_reachable("unix:977"));
}

TEST(ScreenDevice, TheLibraryListsItsDevices) {
  const std::vector<std::string> devices = plotting_devices();
  for (const char* needed : {"psc", "null"}) {
    EXPECT_NE(std::find(devices.begin(), devices.end(), needed), devices.end()) << needed;
  }
}

}  // namespace
}  // namespace qb
