#include "tests/support/test_support.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <random>

namespace qb::testing {

std::string shared_data(const std::string& name) {
  // The data sets are copied into the project so that a clean clone has them.
  return std::string(QB_SOURCE_DIR) + "/examples/data/" + name;
}

std::string test_data(const std::string& name) { return std::string(QB_SOURCE_DIR) + "/tests/data/" + name; }

ScriptedConsole::ScriptedConsole(const std::string& answers)
    : in_(answers), console_(in_, out_), scope_(console_) {}

ScriptedConsole::~ScriptedConsole() = default;

ScratchDirectory::ScratchDirectory() {
  static std::atomic<int> counter{0};
  std::random_device seed;
  path_ = std::filesystem::temp_directory_path() /
          ("qb_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" + std::to_string(seed()));
  std::filesystem::create_directories(path_);
  previous_ = std::filesystem::current_path();
  std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string program_path(const std::string& name) { return std::string(QB_BINARY_DIR) + "/" + name; }

std::string run_program(const std::string& program, const std::string& input, const std::string& directory,
                        int& exit_code, bool stdout_closed) {
  const std::string input_path = directory + "/.stdin.txt";
  const std::string output_path = directory + "/.stdout.txt";
  write_file(input_path, input);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(directory.c_str()) != 0) ::_exit(127);
    if (!std::freopen(input_path.c_str(), "r", stdin)) ::_exit(127);
    if (stdout_closed) {
      ::close(STDOUT_FILENO);
      ::close(STDERR_FILENO);
    } else if (!std::freopen(output_path.c_str(), "w", stdout)) {
      ::_exit(127);
    }
    ::setenv("PLPLOT_DEV", "null", 1);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return stdout_closed ? std::string() : read_file(output_path);
}

}  // namespace qb::testing
