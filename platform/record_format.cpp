#include "platform/record_format.hpp"

#include "platform/numeric_fields.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>

namespace qb {
namespace {

enum class Kind {
  kText,   // quoted text
  kSkip,   // nX, TRn: move right
  kBack,   // TLn: move left
  kTab,    // Tn: absolute column
  kInt,    // Iw
  kReal,   // Fw.d (E, D, G read like F)
  kChars,  // A, Aw
  kSlash,  // new record
  kColon,  // stop when no value is left
};

struct Descriptor {
  Kind kind = Kind::kText;
  int width = 0;     // field width, move count or column; -1 for a bare A
  int decimals = 0;  // F decimals, I minimum digits
  std::string text;  // quoted text
};

Descriptor make(Kind kind, int width = 0, std::string text = {}) {
  Descriptor d;
  d.kind = kind;
  d.width = width;
  d.text = std::move(text);
  return d;
}

bool is_value_kind(Kind kind) {
  return kind == Kind::kInt || kind == Kind::kReal || kind == Kind::kChars;
}

// Repeats are expanded, and nested counts multiply: "(2000(20000i31))" would
// ask for 40 million descriptors. A format typed by a user or carried by a
// data file that expands beyond this many descriptors (a quoted text counting
// its characters) is refused; the widest the system writes holds a few
// hundred.
constexpr std::size_t kMaxExpandedSize = 100000;

std::size_t expanded_size(const Descriptor& d) { return 1 + d.text.size(); }

// Groups are parsed one call deeper per parenthesis, so a format nested
// thousands deep would exhaust the stack. Real formats nest two or three
// levels; one nested deeper than this (its outer pair counting) is refused.
constexpr int kMaxNesting = 32;

// A parsed format: the descriptors with every repeat expanded, and the place
// where the format restarts when a list outlasts it.
struct ParsedFormat {
  std::vector<Descriptor> items;
  std::size_t expanded = 0;  // sum of expanded_size over items
  std::size_t reversion = 0;
  bool has_values = false;
  // The part the format restarts at holds a value descriptor; without one a
  // list that outlasts the format could never be finished.
  bool reversion_has_values = false;
  bool keep_line_open = false;  // "$"
};

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  ParsedFormat parse() {
    skip_blanks();
    if (!take('(')) fail("format must begin with '('");
    ParsedFormat result;
    parse_list(result, /*top_level=*/true);
    skip_blanks();
    if (!take(')')) fail("missing ')'");
    skip_blanks();
    if (pos_ != text_.size()) fail("text after the closing ')'");
    for (std::size_t i = 0; i < result.items.size(); ++i) {
      const bool value = is_value_kind(result.items[i].kind);
      result.has_values = result.has_values || value;
      if (i >= result.reversion) result.reversion_has_values = result.reversion_has_values || value;
    }
    return result;
  }

 private:
  [[noreturn]] void fail(const std::string& why) const {
    throw FormatError("bad format \"" + std::string(text_) + "\": " + why);
  }
  void skip_blanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool take(char c) {
    skip_blanks();
    if (pos_ < text_.size() && std::tolower(static_cast<unsigned char>(text_[pos_])) == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  char peek() {
    skip_blanks();
    return pos_ < text_.size() ? static_cast<char>(std::tolower(static_cast<unsigned char>(text_[pos_]))) : '\0';
  }
  std::optional<int> number() {
    skip_blanks();
    if (pos_ >= text_.size() || !std::isdigit(static_cast<unsigned char>(text_[pos_]))) return std::nullopt;
    long value = 0;
    while (pos_ < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == ' ')) {
      if (text_[pos_] != ' ') {
        value = value * 10 + (text_[pos_] - '0');
        if (value > 100000) fail("number too large");
      }
      ++pos_;
    }
    return static_cast<int>(value);
  }
  // Appends `count` copies of the descriptors, refusing an expansion beyond
  // the limit before any memory is taken for it.
  void append(ParsedFormat& out, std::span<const Descriptor> items, std::size_t size, int count) {
    if (size > 0 && static_cast<std::size_t>(count) > (kMaxExpandedSize - out.expanded) / size) {
      fail("repeats expand beyond " + std::to_string(kMaxExpandedSize) + " descriptors");
    }
    out.expanded += size * static_cast<std::size_t>(count);
    for (int r = 0; r < count; ++r) out.items.insert(out.items.end(), items.begin(), items.end());
  }
  void append(ParsedFormat& out, const Descriptor& d, int count = 1) {
    append(out, std::span<const Descriptor>(&d, 1), expanded_size(d), count);
  }

  int required_number(const char* what) {
    auto n = number();
    if (!n) fail(std::string("missing ") + what);
    return *n;
  }

  void parse_list(ParsedFormat& out, bool top_level) {
    bool need_item = true;
    while (true) {
      char c = peek();
      if (c == ')' || c == '\0') return;
      if (c == ',') {
        ++pos_;
        need_item = true;
        continue;
      }
      if (c == '/' || c == ':' || c == '$') {
        ++pos_;
        if (c == '/') append(out, make(Kind::kSlash));
        if (c == ':') append(out, make(Kind::kColon));
        if (c == '$') out.keep_line_open = true;
        need_item = true;
        continue;
      }
      if (!need_item && c != '\'' && c != '"') fail("missing ','");
      parse_item(out, top_level);
      need_item = false;
    }
  }

  void parse_item(ParsedFormat& out, bool top_level) {
    auto repeat = number();
    char c = peek();
    if (c == '\'' || c == '"') {
      if (repeat) fail("repeat count before text");
      append(out, make(Kind::kText, 0, quoted(c)));
      return;
    }
    if (c == '(') {
      ++pos_;
      if (depth_ == kMaxNesting) fail("groups nested more than " + std::to_string(kMaxNesting) + " deep");
      const std::size_t start = out.items.size();
      ParsedFormat group;
      ++depth_;
      parse_list(group, false);
      --depth_;
      if (!take(')')) fail("missing ')'");
      const int count = repeat.value_or(1);
      if (count < 1) fail("repeat count 0");
      append(out, group.items, group.expanded, count);
      out.keep_line_open = out.keep_line_open || group.keep_line_open;
      if (top_level) out.reversion = start;
      return;
    }
    if (c == '/') {  // "2/" writes two record ends
      ++pos_;
      append(out, make(Kind::kSlash), repeat.value_or(1));
      return;
    }
    ++pos_;
    Descriptor d;
    switch (c) {
      case 'x':
        append(out, make(Kind::kSkip, repeat.value_or(1)));
        return;
      case 't': {
        if (repeat) fail("repeat count before T");
        if (take('l')) {
          append(out, make(Kind::kBack, required_number("TL count")));
        } else if (take('r')) {
          append(out, make(Kind::kSkip, required_number("TR count")));
        } else {
          const int column = required_number("T column");
          if (column < 1) fail("T column 0");
          append(out, make(Kind::kTab, column));
        }
        return;
      }
      case 'i':
        d.kind = Kind::kInt;
        d.width = required_number("I width");
        d.decimals = 1;
        if (take('.')) d.decimals = required_number("I minimum digits");
        break;
      case 'f':
      case 'e':
      case 'd':
      case 'g':
        d.kind = Kind::kReal;
        d.width = required_number("field width");
        if (take('.')) {
          d.decimals = required_number("decimals");
        } else if (c == 'f') {
          fail("F needs decimals");
        }
        if (c != 'f' && take('e')) required_number("exponent digits");
        // E and D write an exponent; F and G write fixed point.
        if (c == 'e' || c == 'd') d.text = std::string(1, c == 'e' ? 'E' : 'D');
        break;
      case 'a': {
        d.kind = Kind::kChars;
        auto width = number();
        d.width = width ? *width : -1;
        if (width && *width == 0) fail("A width 0");
        break;
      }
      case 'b':  // BN, BZ: blanks are always ignored
        if (!take('n') && !take('z')) fail("unknown descriptor B");
        return;
      case 's':  // S, SP, SS: signs as usual
        if (!take('p')) take('s');
        return;
      default:
        fail(std::string("unknown descriptor '") + c + "'");
    }
    if (d.width == 0) fail("field width 0");
    if (repeat && *repeat < 1) fail("repeat count 0");
    append(out, d, repeat.value_or(1));
  }

  std::string quoted(char quote) {
    ++pos_;  // opening quote
    std::string text;
    while (true) {
      if (pos_ >= text_.size()) fail("unterminated text");
      char c = text_[pos_++];
      if (c == quote) {
        if (pos_ < text_.size() && text_[pos_] == quote) {
          text.push_back(quote);
          ++pos_;
          continue;
        }
        return text;
      }
      text.push_back(c);
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int depth_ = 1;  // parentheses open at the current position
};

// Formats come from a small set of literals, so each is parsed once.
struct FormatHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

const ParsedFormat& parsed(std::string_view format) {
  thread_local std::unordered_map<std::string, std::unique_ptr<ParsedFormat>, FormatHash, std::equal_to<>> cache;
  thread_local std::size_t cached_size = 0;
  auto it = cache.find(format);
  if (it != cache.end()) return *it->second;
  auto result = std::make_unique<ParsedFormat>(Parser(format).parse());
  // Formats typed by users stay few and small; many or wide ones (a file of
  // column blocks, each with its own) must not pile up.
  if (cache.size() > 4096 || cached_size > 4 * kMaxExpandedSize) {
    cache.clear();
    cached_size = 0;
  }
  cached_size += result->expanded;
  return *cache.emplace(std::string(format), std::move(result)).first->second;
}

// ---------------------------------------------------------------------------
// Output

// The record under construction: characters placed at a position that T and
// X move; positions skipped over are blanks once something is written after
// them. The characters live in storage that keeps its size from record to
// record, so a field is written in place without first being blanked.
class RecordBuffer {
 public:
  void put(std::string_view text) { std::memcpy(field(text.size()), text.data(), text.size()); }
  // The next `width` columns, for a field to fill completely.
  char* field(std::size_t width) {
    const std::size_t end = pos_ + width;
    if (storage_.size() < end || size_ < pos_) make_room(end);
    size_ = std::max(size_, end);
    char* at = storage_.data() + pos_;
    pos_ = end;
    return at;
  }
  void move_to(std::size_t column0) { pos_ = column0; }
  void move_by(long delta) {
    long p = static_cast<long>(pos_) + delta;
    pos_ = p < 0 ? 0 : static_cast<std::size_t>(p);
  }
  void end_record(std::string& out) {
    out.append(storage_.data(), size_);
    out += '\n';
    size_ = 0;
    pos_ = 0;
  }
  std::string_view line() const { return {storage_.data(), size_}; }
  void clear() {
    size_ = 0;
    pos_ = 0;
  }

 private:
  // Storage up to `end`, and blanks over the columns skipped since the last
  // character written.
  void make_room(std::size_t end) {
    if (storage_.size() < end) storage_.resize(std::max(end, 2 * storage_.size()));
    if (size_ < pos_) std::fill(storage_.begin() + static_cast<long>(size_), storage_.begin() + static_cast<long>(pos_), ' ');
  }

  std::vector<char> storage_ = std::vector<char>(128);
  std::size_t size_ = 0;  // characters of the record
  std::size_t pos_ = 0;
};

std::string stars(int width) { return std::string(static_cast<std::size_t>(width), '*'); }

std::string right_aligned(const std::string& text, int width) {
  if (static_cast<int>(text.size()) > width) return stars(width);
  return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

std::string format_real(double value, int width, int decimals) {
  std::string text(static_cast<std::size_t>(width), ' ');
  write_fixed_field(value, width, decimals, text.data());
  return text;
}

// Ew.d and Dw.d: "0." and d significant digits, rounded halves away from
// zero on the exact binary value, then the exponent ("E+02", or "+102" when
// it needs three digits).
std::string format_exponential(double value, int width, int decimals, char letter) {
  if (std::isnan(value) || std::isinf(value)) return format_real(value, width, decimals);
  const bool negative = std::signbit(value);
  std::string digits(static_cast<std::size_t>(std::max(decimals, 0)), '0');
  int exponent = 0;
  if (value != 0.0) {
    const std::string text = printed(std::fabs(value), "%.*e", decimals + 40);
    const std::size_t e = text.find('e');
    std::string all = text.substr(0, 1) + text.substr(2, e - 2);  // every mantissa digit
    exponent = std::atoi(text.c_str() + e + 1) + 1;               // value = 0.ddd x 10^exponent
    const bool round_up = all[static_cast<std::size_t>(decimals)] >= '5';
    all.resize(static_cast<std::size_t>(decimals));
    if (round_up) {
      int i = decimals - 1;
      while (i >= 0 && all[static_cast<std::size_t>(i)] == '9') all[static_cast<std::size_t>(i--)] = '0';
      if (i < 0) {
        all.insert(all.begin(), '1');
        all.pop_back();
        ++exponent;
      } else {
        ++all[static_cast<std::size_t>(i)];
      }
    }
    digits = all;
  }
  char marker[16];
  if (std::abs(exponent) <= 99) {
    std::snprintf(marker, sizeof marker, "%c%+03d", letter, exponent);
  } else {
    std::snprintf(marker, sizeof marker, "%+04d", exponent);
  }
  std::string text = std::string(negative ? "-" : "") + "0." + digits + marker;
  if (static_cast<int>(text.size()) > width) text.erase(negative ? 1 : 0, 1);  // the optional leading zero
  return right_aligned(text, width);
}

[[noreturn]] void mismatch(std::string_view format, const char* what) {
  throw FormatError("format \"" + std::string(format) + "\": " + what);
}

// Writes one value field at the record's position.
void render_value(std::string_view format, const Descriptor& d, const FieldValue& value, RecordBuffer& record) {
  const auto width = static_cast<std::size_t>(d.width);
  switch (d.kind) {
    case Kind::kInt:
      if (const auto* i = std::get_if<long long>(&value)) return write_integer_field(*i, d.width, d.decimals, record.field(width));
      if (const auto* r = std::get_if<double>(&value)) {
        char* field = record.field(width);
        if (std::isfinite(*r) && std::fabs(*r) < 9.2e18) return write_integer_field(static_cast<long long>(*r), d.width, d.decimals, field);
        std::memset(field, '*', width);
        return;
      }
      mismatch(format, "text for an I descriptor");
    case Kind::kReal: {
      double real = 0.0;
      if (const auto* r = std::get_if<double>(&value)) {
        real = *r;
      } else if (const auto* i = std::get_if<long long>(&value)) {
        real = static_cast<double>(*i);
      } else {
        mismatch(format, "text for an F descriptor");
      }
      if (!d.text.empty()) return record.put(format_exponential(real, d.width, d.decimals, d.text[0]));
      return write_fixed_field(real, d.width, d.decimals, record.field(width));
    }
    case Kind::kChars: {
      const auto* s = std::get_if<std::string_view>(&value);
      if (!s) mismatch(format, "a number for an A descriptor");
      if (d.width < 0) return record.put(*s);
      // Aw: the first w characters, or the text right-aligned.
      char* field = record.field(width);
      const std::size_t taken = std::min(s->size(), width);
      std::memset(field, ' ', width - taken);
      std::memcpy(field + (width - taken), s->data(), taken);
      return;
    }
    default:
      return;
  }
}

// ---------------------------------------------------------------------------
// Input

std::string without_blanks(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (char c : field) {
    if (c != ' ' && c != '\t') out.push_back(c);
  }
  return out;
}

// The field without its blanks: a view of the field when blanks only lead
// or trail it (the usual case), else a copy kept in `storage`.
std::string_view compact(std::string_view field, std::string& storage) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t first = 0;
  std::size_t end = field.size();
  while (first < end && blank(field[first])) ++first;
  while (end > first && blank(field[end - 1])) --end;
  const std::string_view inner = field.substr(first, end - first);
  for (char c : inner) {
    if (blank(c)) {
      storage = without_blanks(inner);
      return storage;
    }
  }
  return inner;
}

bool parse_integer_field(std::string_view field, long long& value) {
  std::string storage;
  const std::string_view s = compact(field, storage);
  if (s.empty() || s == "+" || s == "-") {
    value = 0;
    return true;
  }
  std::size_t start = (s[0] == '+') ? 1 : 0;
  const char* first = s.data() + start;
  const char* last = s.data() + s.size();
  auto [ptr, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && ptr == last;
}

// Builds the canonical text of an F/E/D/G input field so that strtod/strtof
// round it correctly; `decimals` places the implied point.
bool canonical_real(std::string_view field, int decimals, std::string& canonical) {
  const std::string s = without_blanks(field);
  if (s.empty()) {
    canonical = "0";
    return true;
  }
  std::size_t i = 0;
  std::string sign;
  if (s[i] == '+' || s[i] == '-') sign = s[i++] == '-' ? "-" : "";
  std::string mantissa;
  bool point = false;
  int fraction_digits = 0;
  bool any_digit = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      mantissa.push_back(c);
      any_digit = true;
      if (point) ++fraction_digits;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  long exponent = 0;
  if (i < s.size()) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
    if (c == 'e' || c == 'd' || c == 'q') ++i;
    else if (c != '+' && c != '-') return false;
    if (i >= s.size()) return false;
    long long e = 0;
    std::string exp_text = s.substr(i);
    if (exp_text[0] == '+') exp_text.erase(0, 1);
    auto [ptr, ec] = std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), e);
    if (ec != std::errc() || ptr != exp_text.data() + exp_text.size()) return false;
    if (e > 100000 || e < -100000) return false;
    exponent = static_cast<long>(e);
  }
  if (!any_digit) {
    if (mantissa.empty() && exponent == 0 && !point) {
      canonical = "0";
      return true;
    }
    if (mantissa.empty()) mantissa = "0";
  }
  const long scale = exponent - (point ? fraction_digits : decimals);
  canonical = sign + (mantissa.empty() ? "0" : mantissa) + "e" + std::to_string(scale);
  return true;
}

// The record being read: a view of text that outlives the read.
class InputRecord {
 public:
  explicit InputRecord(std::string_view text) : text_(text) {}
  void reset(std::string_view text) {
    text_ = text;
    pos_ = 0;
  }
  // The columns of a numeric field that the record holds; columns beyond its
  // end read as blanks, which numeric fields ignore.
  std::string_view numeric_field(std::size_t width) {
    std::string_view field;
    if (pos_ < text_.size()) field = text_.substr(pos_, width);
    pos_ += width;
    return field;
  }
  std::string take(std::size_t width) {
    std::string field;
    if (pos_ < text_.size()) field = std::string(text_.substr(pos_, width));
    if (field.size() < width) field.resize(width, ' ');
    pos_ += width;
    return field;
  }
  std::string rest() {
    std::string field = pos_ < text_.size() ? std::string(text_.substr(pos_)) : std::string();
    pos_ = std::max(pos_, text_.size());
    return field;
  }
  void move_to(std::size_t column0) { pos_ = column0; }
  void move_by(long delta) {
    long p = static_cast<long>(pos_) + delta;
    pos_ = p < 0 ? 0 : static_cast<std::size_t>(p);
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

bool store_integer(const FieldTarget& target, long long value) {
  if (auto* p = std::get_if<int*>(&target)) {
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min()) return false;
    **p = static_cast<int>(value);
  } else if (auto* q = std::get_if<long long*>(&target)) {
    **q = value;
  } else if (auto* f = std::get_if<float*>(&target)) {
    **f = static_cast<float>(value);
  } else if (auto* d = std::get_if<double*>(&target)) {
    **d = static_cast<double>(value);
  } else {
    return false;
  }
  return true;
}

// A value beyond the range of the target (1e40 for a REAL) is a conversion
// error: an infinity read as data would turn every later sum into NaN.
bool store_real(const FieldTarget& target, const std::string& canonical) {
  if (auto* f = std::get_if<float*>(&target)) {
    const float v = std::strtof(canonical.c_str(), nullptr);
    if (!std::isfinite(v)) return false;
    **f = v;
  } else if (auto* d = std::get_if<double*>(&target)) {
    const double v = std::strtod(canonical.c_str(), nullptr);
    if (!std::isfinite(v)) return false;
    **d = v;
  } else if (auto* p = std::get_if<int*>(&target)) {
    double v = std::strtod(canonical.c_str(), nullptr);
    if (!std::isfinite(v) || std::fabs(v) > 2.1e9) return false;
    **p = static_cast<int>(v);
  } else if (auto* q = std::get_if<long long*>(&target)) {
    double v = std::strtod(canonical.c_str(), nullptr);
    if (!std::isfinite(v) || std::fabs(v) > 9.2e18) return false;
    **q = static_cast<long long>(v);
  } else {
    return false;
  }
  return true;
}

void store_chars(const FieldTarget& target, InputRecord& record, int width) {
  auto* const* sp = std::get_if<std::string*>(&target);
  std::string& out = **sp;
  const std::size_t length = out.size();
  if (width < 0) {
    out = length == 0 ? record.rest() : record.take(length);
    return;
  }
  std::string field = record.take(static_cast<std::size_t>(width));
  if (length == 0) {
    out = field;
  } else if (field.size() >= length) {
    out = field.substr(field.size() - length);
  } else {
    field.resize(length, ' ');
    out = field;
  }
}

}  // namespace

std::string render_record(std::string_view format, std::span<const FieldValue> values) {
  std::string out;
  append_record(out, format, values);
  return out;
}

void append_record(std::string& out, std::string_view format, std::span<const FieldValue> values) {
  const ParsedFormat& f = parsed(format);
  if (!values.empty() && !f.has_values) mismatch(format, "values for a format without value descriptors");
  // One buffer per thread, reused by every write.
  thread_local RecordBuffer record;
  record.clear();
  std::size_t next_value = 0;
  std::size_t i = 0;
  while (true) {
    if (i == f.items.size()) {
      if (next_value < values.size()) {
        if (!f.reversion_has_values) mismatch(format, "values left over and no value descriptor to restart at");
        record.end_record(out);
        i = f.reversion;
        continue;
      }
      break;
    }
    const Descriptor& d = f.items[i++];
    if (is_value_kind(d.kind)) {
      if (next_value >= values.size()) break;
      render_value(format, d, values[next_value++], record);
      continue;
    }
    switch (d.kind) {
      case Kind::kText: record.put(d.text); break;
      case Kind::kSkip: record.move_by(d.width); break;
      case Kind::kBack: record.move_by(-d.width); break;
      case Kind::kTab: record.move_to(static_cast<std::size_t>(d.width - 1)); break;
      case Kind::kSlash: record.end_record(out); break;
      case Kind::kColon:
        if (next_value >= values.size()) i = f.items.size();
        break;
      default: break;
    }
    if (d.kind == Kind::kColon && next_value >= values.size()) break;
  }
  if (f.keep_line_open) {
    out += record.line();
  } else {
    record.end_record(out);
  }
}

namespace {

// The parsed format of a read; nullptr when it does not parse or has no value
// descriptor for the targets.
const ParsedFormat* format_for_reading(std::string_view format, std::span<const FieldTarget> targets) {
  try {
    const ParsedFormat& f = parsed(format);
    if (!targets.empty() && !f.has_values) return nullptr;
    return &f;
  } catch (const FormatError&) {
    return nullptr;
  }
}

// Reads the targets from `first` and, when the list outlasts it, from the
// records `next_record` supplies.
template <class NextRecord>
ReadStatus read_from(const ParsedFormat& f, std::string_view first, NextRecord&& next_record,
                     std::span<const FieldTarget> targets) {
  InputRecord record(first);
  std::string storage;  // later records of the read
  std::size_t next_target = 0;
  std::size_t i = 0;
  while (true) {
    if (i == f.items.size()) {
      if (next_target < targets.size()) {
        if (!f.reversion_has_values) return ReadStatus::kConversionError;
        auto more = next_record();
        if (!more) return ReadStatus::kEndOfFile;
        storage = std::move(*more);
        record.reset(storage);
        i = f.reversion;
        continue;
      }
      break;
    }
    const Descriptor& d = f.items[i++];
    if (is_value_kind(d.kind)) {
      if (next_target >= targets.size()) break;
      const FieldTarget& target = targets[next_target++];
      if (d.kind == Kind::kChars) {
        if (!std::holds_alternative<std::string*>(target)) return ReadStatus::kConversionError;
        store_chars(target, record, d.width);
        continue;
      }
      if (std::holds_alternative<std::string*>(target)) return ReadStatus::kConversionError;
      const std::string_view field = record.numeric_field(static_cast<std::size_t>(d.width));
      if (d.kind == Kind::kInt) {
        long long value = 0;
        if (!parse_integer_field(field, value) || !store_integer(target, value)) return ReadStatus::kConversionError;
      } else {
        std::string canonical;
        if (!canonical_real(field, d.decimals, canonical) || !store_real(target, canonical)) {
          return ReadStatus::kConversionError;
        }
      }
      continue;
    }
    switch (d.kind) {
      case Kind::kSkip: record.move_by(d.width); break;
      case Kind::kBack: record.move_by(-d.width); break;
      case Kind::kTab: record.move_to(static_cast<std::size_t>(d.width - 1)); break;
      case Kind::kSlash: {
        if (next_target >= targets.size()) return ReadStatus::kOk;
        auto more = next_record();
        if (!more) return ReadStatus::kEndOfFile;
        storage = std::move(*more);
        record.reset(storage);
        break;
      }
      case Kind::kColon:
        if (next_target >= targets.size()) return ReadStatus::kOk;
        break;
      default: break;  // text on input is passed over
    }
  }
  return ReadStatus::kOk;
}

}  // namespace

ReadStatus read_record(std::string_view format, const RecordSupplier& next_record,
                       std::span<const FieldTarget> targets) {
  const ParsedFormat* f = format_for_reading(format, targets);
  if (!f) return ReadStatus::kConversionError;
  const auto first = next_record();
  if (!first) return ReadStatus::kEndOfFile;
  return read_from(*f, *first, next_record, targets);
}

ReadStatus read_record(std::string_view format, std::string_view record, std::span<const FieldTarget> targets) {
  const ParsedFormat* f = format_for_reading(format, targets);
  if (!f) return ReadStatus::kConversionError;
  return read_from(*f, record, [] { return std::optional<std::string>(); }, targets);
}

bool format_is_valid(std::string_view format) {
  try {
    parsed(format);
    return true;
  } catch (const FormatError&) {
    return false;
  }
}

std::string render_list_directed(std::span<const FieldValue> values) {
  std::string out;
  for (const auto& value : values) {
    if (const auto* i = std::get_if<long long>(&value)) {
      char field[12];
      write_integer_field(*i, 12, 1, field);
      out.append(field, sizeof field);
    } else if (const auto* r = std::get_if<double>(&value)) {
      const double v = static_cast<float>(*r);
      const double magnitude = std::fabs(v);
      char buffer[64];
      if (v == 0.0 || (magnitude >= 0.1 && magnitude < 1.0e9)) {
        // Nine significant digits in fixed point, then the unused exponent room.
        const int digits_before = v == 0.0 ? 1 : static_cast<int>(std::floor(std::log10(magnitude))) + 1;
        const int decimals = std::max(0, 9 - std::max(digits_before, 0));
        std::snprintf(buffer, sizeof buffer, "%*.*f    ", 12, decimals, v);
        out += " ";
        out += buffer;
      } else {
        std::snprintf(buffer, sizeof buffer, "%16.8E", v);
        out += " ";
        out += buffer;
      }
    } else {
      out += " ";
      out += std::get<std::string_view>(value);
    }
  }
  out += '\n';
  return out;
}

std::string to_upper(std::string_view text) {
  std::string out(text);
  for (auto& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace qb
