#include "plots/plot_file.hpp"

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qb {

// What lies between the library's stream and the file: its descriptor and
// the first error met on the way.
struct PlotFile::Channel {
  int fd = -1;
  int error = 0;
  bool closed = false;

  void note(int e) {
    if (error == 0) error = e != 0 ? e : EIO;
  }
};

namespace {

ssize_t write_through(void* cookie, const char* bytes, std::size_t size) {
  auto& channel = *static_cast<PlotFile::Channel*>(cookie);
  // After a failed write the rest of the page would only leave a file with a
  // hole in it.
  if (channel.error != 0) return -1;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(channel.fd, bytes + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      channel.note(errno);
      return -1;
    }
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(size);
}

// The PostScript device goes back to the start at the end of its page to
// write the bounding box into the header.
int seek_through(void* cookie, off64_t* offset, int whence) {
  auto& channel = *static_cast<PlotFile::Channel*>(cookie);
  const off_t at = ::lseek(channel.fd, static_cast<off_t>(*offset), whence);
  if (at == static_cast<off_t>(-1)) {
    channel.note(errno);
    return -1;
  }
  *offset = at;
  return 0;
}

int close_through(void* cookie) {
  auto& channel = *static_cast<PlotFile::Channel*>(cookie);
  channel.closed = true;
  // Some file systems tell of a full disk only when the data reach it. A
  // file that cannot be synchronised (a device) has nothing waiting.
  if (::fsync(channel.fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) channel.note(errno);
  if (::close(channel.fd) != 0) channel.note(errno);
  return channel.error != 0 ? -1 : 0;
}

std::string failure_text(const char* action, const std::string& name, int error) {
  return std::string("Cannot ") + action + " " + name + ": " + std::strerror(error);
}

}  // namespace

PlotFile::PlotFile(std::string name) : name_(std::move(name)), channel_(std::make_unique<Channel>()) {
  channel_->fd = ::open(name_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (channel_->fd == -1) {
    channel_->note(errno);
    return;
  }
  const cookie_io_functions_t functions{nullptr, write_through, seek_through, close_through};
  stream_ = ::fopencookie(channel_.get(), "w", functions);
  if (stream_ == nullptr) {
    channel_->note(errno);
    ::close(channel_->fd);
    channel_->fd = -1;
  }
}

PlotFile::~PlotFile() { finish(); }

std::optional<std::string> PlotFile::finish() {
  if (stream_ != nullptr && !channel_->closed) std::fclose(stream_);
  stream_ = nullptr;
  if (channel_->error == 0) return std::nullopt;
  return failure_text(channel_->fd == -1 ? "create" : "write", name_, channel_->error);
}

}  // namespace qb
