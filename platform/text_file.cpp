#include "platform/text_file.hpp"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace qb {

TextInput::TextInput(std::string contents) : contents_(std::move(contents)) {
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
  const char* start = begin;
  while (start < end) {
    if (next_lf < start) next_lf = find(start, '\n');
    if (next_cr < start) next_cr = find(start, '\r');
    const char* stop = std::min(next_lf, next_cr);
    starts_.push_back(static_cast<std::size_t>(start - begin));
    lengths_.push_back(static_cast<std::size_t>(stop - start));
    if (stop == end) break;
    start = stop + ((*stop == '\r' && stop + 1 < end && stop[1] == '\n') ? 2 : 1);
  }
}

std::optional<TextInput> TextInput::open(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return std::nullopt;
  std::string text(static_cast<std::size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(size));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return TextInput(std::move(text));
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

std::optional<TextOutput> TextOutput::create(const std::string& path) {
  TextOutput out;
  out.stream_ = std::make_unique_for_overwrite<BufferedStream>();
  // The buffer must be set before the file opens.
  out.stream_->file.rdbuf()->pubsetbuf(out.stream_->buffer, sizeof out.stream_->buffer);
  out.stream_->file.open(path, std::ios::binary | std::ios::trunc);
  if (!out.stream_->file.is_open()) return std::nullopt;
  out.path_ = path;
  return out;
}

void TextOutput::write_record(std::string_view format, std::span<const FieldValue> values) {
  record_.clear();
  append_record(record_, format, values);
  put(record_);
}

void TextOutput::put(std::string_view text) {
  if (stream_) stream_->file.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void TextOutput::close() {
  if (stream_) stream_->file.close();
  stream_.reset();
}

void TextOutput::close_and_delete() {
  close();
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

std::string fixed_width(std::string_view text, std::size_t width) {
  std::string out(text.substr(0, std::min(text.size(), width)));
  out.resize(width, ' ');
  return out;
}

}  // namespace qb
