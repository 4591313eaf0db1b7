#include "platform/text_file.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

namespace qb {

TextInput::TextInput(std::string contents) : contents_(std::move(contents)) {
  // ASCII text saved as UTF-16 holds a NUL byte beside every character.
  if (contents_.starts_with("\xFF\xFE") || contents_.starts_with("\xFE\xFF")) {
    utf16_sign_ = Utf16Sign::kByteOrderMark;
  } else if (std::memchr(contents_.data(), '\0', contents_.size()) != nullptr) {
    utf16_sign_ = Utf16Sign::kNulBytes;
  }
  // Records end at LF, CRLF or a lone CR. The next LF and the next CR are
  // each found once with memchr, so a large file is split in one fast pass.
  const char* const begin = contents_.data();
  const char* const end = begin + contents_.size();
  const auto find = [end](const char* from, char c) {
    const void* at = from < end ? std::memchr(from, c, static_cast<std::size_t>(end - from)) : nullptr;
    return at ? static_cast<const char*>(at) : end;
  };
  const char* next_lf = find(begin, '\n');
  const char* next_cr = find(begin, '\r');
  // A UTF-8 byte order mark (as some editors save) is no text of the first
  // record: kept, it would move every fixed column of that record.
  const char* start = contents_.starts_with("\xEF\xBB\xBF") ? begin + 3 : begin;
  while (start < end) {
    if (next_lf < start) next_lf = find(start, '\n');
    if (next_cr < start) next_cr = find(start, '\r');
    const char* stop = std::min(next_lf, next_cr);
    // The empty records between the CRs of a line end of several CRs and
    // an LF (CR CR LF, CR CR CR LF): an editor shows one line end there.
    if (stop == start && start > begin && start[-1] == '\r' && start[0] == '\r') {
      const char* after_crs = start;
      while (after_crs < end && *after_crs == '\r') ++after_crs;
      if (after_crs < end && *after_crs == '\n') between_lines_.push_back(starts_.size());
    }
    starts_.push_back(static_cast<std::size_t>(start - begin));
    lengths_.push_back(static_cast<std::size_t>(stop - start));
    if (stop == end) break;
    start = stop + ((*stop == '\r' && stop + 1 < end && stop[1] == '\n') ? 2 : 1);
  }
}

std::optional<TextInput> TextInput::open(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::FILE* const file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  // The size is a hint only: a file may say 0 and hold text, or change.
  std::string text;
  const auto size = std::filesystem::file_size(path, ec);
  if (!ec) text.reserve(static_cast<std::size_t>(size));
  std::array<char, 1 << 16> chunk;
  errno = 0;
  std::size_t got = 0;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0) text.append(chunk.data(), got);
  const int error = std::ferror(file) ? (errno != 0 ? errno : EIO) : 0;
  std::fclose(file);
  TextInput input(std::move(text));
  input.name_ = path;
  if (error != 0) input.read_error_ = std::strerror(error);
  return input;
}

TextInput TextInput::from_text(std::string contents) { return TextInput(std::move(contents)); }

std::optional<std::string> TextInput::next_record() {
  if (next_ >= starts_.size()) return std::nullopt;
  std::string record = contents_.substr(starts_[next_], lengths_[next_]);
  ++next_;
  return record;
}

std::optional<std::string> TextInput::next_record(std::size_t width) {
  if (next_ >= starts_.size()) return std::nullopt;
  std::string record = contents_.substr(starts_[next_], std::min(lengths_[next_], width));
  record.resize(width, ' ');
  ++next_;
  return record;
}

void TextInput::back() {
  if (next_ > 0) --next_;
}

bool TextInput::is_line(std::size_t record) const {
  return record < starts_.size() && !std::binary_search(between_lines_.begin(), between_lines_.end(), record);
}

std::size_t TextInput::line_number(std::size_t record) const {
  if (starts_.empty()) return 1;
  record = std::min(record, starts_.size() - 1);
  const auto gaps = std::upper_bound(between_lines_.begin(), between_lines_.end(), record) - between_lines_.begin();
  return std::max<std::size_t>(record + 1 - static_cast<std::size_t>(gaps), 1);
}

namespace {

// Output files are written in large blocks: the series files of a big set
// run to tens of megabytes.
constexpr std::size_t kOutputBufferSize = 1 << 16;

std::optional<std::string>& unreported_output_failure() {
  static std::optional<std::string> failure;
  return failure;
}

std::string failure_text(const char* action, const std::string& path, int error) {
  // A library that failed without saying why is taken at its word as an
  // input/output error.
  return std::string("Cannot ") + action + " " + path + ": " + std::strerror(error != 0 ? error : EIO);
}

}  // namespace

std::optional<std::string> take_unreported_output_failure() {
  return std::exchange(unreported_output_failure(), std::nullopt);
}

TextOutput::~TextOutput() { close_unchecked(); }

TextOutput::TextOutput(TextOutput&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), path_(std::move(other.path_)) {}

TextOutput& TextOutput::operator=(TextOutput&& other) noexcept {
  if (this != &other) {
    close_unchecked();
    file_ = std::exchange(other.file_, nullptr);
    path_ = std::move(other.path_);
  }
  return *this;
}

std::optional<TextOutput> TextOutput::create(const std::string& path) {
  TextOutput out;
  out.file_ = std::fopen(path.c_str(), "wb");
  if (out.file_ == nullptr) return std::nullopt;
  std::setvbuf(out.file_, nullptr, _IOFBF, kOutputBufferSize);
  out.path_ = path;
  return out;
}

TextOutput TextOutput::create_or_throw(const std::string& path) {
  errno = 0;
  auto out = create(path);
  if (!out) throw OutputFileError(failure_text("create", path, errno));
  return std::move(*out);
}

void TextOutput::write_record(std::string_view format, std::span<const FieldValue> values) {
  record_.clear();
  append_record(record_, format, values);
  put(record_);
}

void TextOutput::put(std::string_view text) {
  if (file_ == nullptr || text.empty()) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) fail(errno);
}

void TextOutput::close() {
  if (file_ == nullptr) return;
  errno = 0;
  const bool flushed = std::fflush(file_) == 0;
  const int flush_error = errno;
  std::FILE* const file = std::exchange(file_, nullptr);
  errno = 0;
  const bool closed = std::fclose(file) == 0;
  if (!flushed) throw OutputFileError(failure_text("write", path_, flush_error));
  if (!closed) throw OutputFileError(failure_text("write", path_, errno));
}

void TextOutput::fail(int error) {
  std::fclose(std::exchange(file_, nullptr));
  throw OutputFileError(failure_text("write", path_, error));
}

void TextOutput::close_unchecked() noexcept {
  if (file_ == nullptr) return;
  try {
    close();
  } catch (const OutputFileError& error) {
    auto& failure = unreported_output_failure();
    if (!failure) failure = error.what();
  } catch (...) {
  }
}

void TextOutput::close_and_delete() {
  if (file_ != nullptr) std::fclose(std::exchange(file_, nullptr));
  if (!path_.empty()) {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
}

bool file_exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

bool file_can_be_created(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  const bool existed = std::filesystem::exists(path, ec);
  if (existed) {
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::ofstream probe(path, std::ios::app);
    return probe.is_open();
  }
  {
    std::ofstream probe(path, std::ios::out);
    if (!probe.is_open()) return false;
  }
  std::filesystem::remove(path, ec);
  return true;
}

std::string trim_right(std::string_view text) {
  const auto end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

std::string trim_blanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string fixed_width(std::string_view text, std::size_t width) {
  std::string out(text.substr(0, std::min(text.size(), width)));
  out.resize(width, ' ');
  return out;
}

}  // namespace qb
