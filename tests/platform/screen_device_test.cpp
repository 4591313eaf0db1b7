#include "platform/screen_device.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace qb {
namespace {

const std::vector<std::string> kAllDevices = {"xwin",     "ps",       "psc",      "null",     "mem",
                                              "svg",      "xcairo",   "pngcairo", "pdfcairo", "extcairo"};

ScreenDevice choose(const char* plplot_dev, const char* display, const std::vector<std::string>& known = kAllDevices) {
  return choose_screen_device(plplot_dev, display, known);
}

TEST(ScreenDevice, PlplotDevWhenTheLibraryKnowsIt) {
  EXPECT_EQ(choose("null", ":0").name, "null");
  EXPECT_FALSE(choose("null", nullptr).draws_to_file());
  EXPECT_EQ(choose("xwin", nullptr).name, "xwin");
  // File devices get a file, or the library would ask for one on the console.
  EXPECT_EQ(choose("pngcairo", ":0").file_name, "screen.png");
  EXPECT_EQ(choose("svg", nullptr).file_name, "screen.svg");
  EXPECT_EQ(choose("psc", nullptr).file_name, "screen.ps");
}

TEST(ScreenDevice, UnknownOrUnusableNamesFallBack) {
  // "Mac1" and prefixes are not in the list; a memory device has no host.
  for (const char* wanted : {"Mac1", "png", "mem", "extcairo", ""}) {
    EXPECT_EQ(choose(wanted, ":0").name, "xcairo") << wanted;
    const ScreenDevice headless = choose(wanted, nullptr);
    EXPECT_EQ(headless.name, "pngcairo") << wanted;
    EXPECT_EQ(headless.file_name, "screen.png") << wanted;
  }
  EXPECT_EQ(choose(nullptr, "").name, "pngcairo");
}

TEST(ScreenDevice, FallBacksFollowWhatTheLibraryHas) {
  EXPECT_EQ(choose(nullptr, ":0", {"xwin", "psc", "pngcairo"}).name, "xwin");
  EXPECT_EQ(choose(nullptr, ":0", {"psc", "pngcairo"}).name, "pngcairo");
  const ScreenDevice postscript = choose(nullptr, nullptr, {"psc", "null"});
  EXPECT_EQ(postscript.name, "psc");
  EXPECT_EQ(postscript.file_name, "screen.ps");
  EXPECT_EQ(choose(nullptr, nullptr, {}).name, "null");
}

TEST(ScreenDevice, TheLibraryListsItsDevices) {
  const std::vector<std::string> devices = plotting_devices();
  for (const char* needed : {"psc", "null"}) {
    EXPECT_NE(std::find(devices.begin(), devices.end(), needed), devices.end()) << needed;
  }
}

}  // namespace
}  // namespace qb
