#include "tests/support/answering_console.hpp"

#include <istream>
#include <ostream>
#include <streambuf>

#include "dialogue/program_run.hpp"

namespace qb::testing {
namespace {

// Collects the program's output in one string that the answers are read from.
class OutputBuffer : public std::streambuf {
 public:
  const std::string& text() const { return text_; }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) text_.push_back(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    text_.append(s, static_cast<std::size_t>(n));
    return n;
  }

 private:
  std::string text_;
};

// Produces one answer line whenever the program reads past the last one.
class AnswerBuffer : public std::streambuf {
 public:
  AnswerBuffer(const OutputBuffer& output, std::vector<Answer> answers, int read_limit)
      : output_(output), answers_(std::move(answers)), read_limit_(read_limit) {}

  std::vector<Answer> unused() const { return {answers_.begin() + static_cast<std::ptrdiff_t>(next_), answers_.end()}; }

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (reads_ >= read_limit_) return traits_type::eof();
    ++reads_;
    const std::string& text = output_.text();
    const std::string_view prompt = std::string_view(text).substr(seen_);
    seen_ = text.size();
    line_.clear();
    if (next_ < answers_.size() && prompt.find(answers_[next_].prompt) != std::string_view::npos) {
      line_ = answers_[next_++].text;
    }
    line_.push_back('\n');
    setg(line_.data(), line_.data(), line_.data() + line_.size());
    return traits_type::to_int_type(*gptr());
  }

 private:
  const OutputBuffer& output_;
  std::vector<Answer> answers_;
  std::size_t next_ = 0;
  int read_limit_;
  int reads_ = 0;
  std::size_t seen_ = 0;
  std::string line_;
};

}  // namespace

struct AnsweringConsole::Streams {
  Streams(std::vector<Answer> answers, int read_limit)
      : answers(output, std::move(answers), read_limit), in(&this->answers), out(&output), console(in, out),
        scope(console) {}
  OutputBuffer output;
  AnswerBuffer answers;
  std::istream in;
  std::ostream out;
  Console console;
  ConsoleScope scope;
};

AnsweringConsole::AnsweringConsole(std::vector<Answer> answers, int read_limit)
    : streams_(std::make_unique<Streams>(std::move(answers), read_limit)) {}

AnsweringConsole::~AnsweringConsole() = default;

Console& AnsweringConsole::console() { return streams_->console; }

const std::string& AnsweringConsole::output() const { return streams_->output.text(); }

std::vector<Answer> AnsweringConsole::unused_answers() const { return streams_->answers.unused(); }

int run_driver(const std::function<void(Console&)>& driver, std::string_view version, AnsweringConsole& console) {
  return run_program(console.console(), version, driver);
}

}  // namespace qb::testing
