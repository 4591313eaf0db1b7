// The file a saved plot page goes to. The plotting library writes its pages
// without checking a single write and closes its file at plend without
// looking at the result, so a page saved onto a full disk would be cut short
// without a word. The file is therefore opened here and handed to the
// library as its output stream, through which every write, the final sync
// and the close are checked.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace qb {

class PlotFile {
 public:
  // Creates or replaces the file.
  explicit PlotFile(std::string name);
  ~PlotFile();
  PlotFile(const PlotFile&) = delete;
  PlotFile& operator=(const PlotFile&) = delete;

  // The stream to hand to the library (plsfile), which closes it at plend;
  // nullptr when the file could not be created.
  std::FILE* stream() const { return stream_; }
  const std::string& name() const { return name_; }

  // Once the page is drawn: closes the stream unless the library has, and
  // returns the first failure ("Cannot write fig11.ps: No space left on
  // device", "Cannot create fig11.ps: Is a directory"), if there was one.
  std::optional<std::string> finish();

  struct Channel;

 private:
  std::string name_;
  std::unique_ptr<Channel> channel_;
  std::FILE* stream_ = nullptr;
};

}  // namespace qb
