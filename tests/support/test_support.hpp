// Helpers shared by the tests: scripted consoles, scratch folders, data paths.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/console.hpp"

namespace qb::testing {

// The bundled ITRDB data sets (tests/data holds small synthetic files).
std::string shared_data(const std::string& name);
std::string test_data(const std::string& name);

// A console fed with scripted answers whose output is captured; it replaces
// the process console for its lifetime.
class ScriptedConsole {
 public:
  explicit ScriptedConsole(const std::string& answers = {});
  ~ScriptedConsole();
  std::string output() const { return out_.str(); }
  Console& console() { return console_; }

 private:
  std::istringstream in_;
  std::ostringstream out_;
  Console console_;
  ConsoleScope scope_;
};

// A fresh folder under the system's temporary folder, made the working
// directory for the scope and removed afterwards.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& contents);
std::vector<std::string> lines_of(const std::string& text);

// Runs a program with its standard input taken from `input`, in `directory`;
// returns its standard output and sets `exit_code`. With `stdout_closed` the
// program starts with standard output and error closed (nothing is returned).
std::string run_program(const std::string& program, const std::string& input, const std::string& directory,
                        int& exit_code, bool stdout_closed = false);
std::string program_path(const std::string& name);

}  // namespace qb::testing
