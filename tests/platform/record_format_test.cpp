#include "platform/record_format.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qb {
namespace {

TEST(RecordWrite, TextPositionsAndIntegers) {
  EXPECT_EQ(format_record("(1x,'Total series read in:',t30,4i6)", 3, 1900, 1999, 100),
            " Total series read in:            3  1900  1999   100\n");
  EXPECT_EQ(format_record("(36x,'ab')"), std::string(36, ' ') + "ab\n");
  EXPECT_EQ(format_record("(a,t2,a)", "abcd", "X"), "aXcd\n");
  EXPECT_EQ(format_record("(i4)", 12345), "****\n");
  EXPECT_EQ(format_record("(i4,i4,i1,i1)", 9999, 10000, 9, 10), "9999****9*\n");
  EXPECT_EQ(format_record("(i19,i20)", 1000000000000000000LL, 9223372036854775807LL),
            "1000000000000000000 9223372036854775807\n");
  EXPECT_EQ(format_record("(i21)", -9223372036854775807LL - 1), " -9223372036854775808\n");
  EXPECT_EQ(format_record("(i6)", -42), "   -42\n");
  EXPECT_EQ(format_record("(i3)", 0), "  0\n");
  EXPECT_EQ(format_record("(i4.3,i3.2,i3.0)", 7, -5, 0), " 007-05   \n");
  EXPECT_EQ(format_record("(a,5x,a)", "ab", "c"), "ab     c\n");
  // Positions skipped at the end of a record are not written.
  EXPECT_EQ(format_record("(a,5x)", "ab"), "ab\n");
}

TEST(RecordWrite, FixedPointRoundsHalvesAwayFromZero) {
  EXPECT_EQ(format_record("(f6.2)", 0.125), "  0.13\n");
  EXPECT_EQ(format_record("(f6.2)", -0.125), " -0.13\n");
  EXPECT_EQ(format_record("(f6.1)", 0.25f), "   0.3\n");
  EXPECT_EQ(format_record("(f4.0)", 2.5), "  3.\n");
  // 0.1f is slightly above 0.1, 0.7f slightly below 0.7: the binary value decides.
  EXPECT_EQ(format_record("(f12.9)", 0.1f), " 0.100000001\n");
  EXPECT_EQ(format_record("(f8.3)", 9.9996), "  10.000\n");
  EXPECT_EQ(format_record("(f8.3)", 9.9995), "   9.999\n");  // just below the tie in binary
  EXPECT_EQ(format_record("(f8.3)", -0.0001), "  -0.000\n");
  EXPECT_EQ(format_record("(f8.3)", 1234567.0), "********\n");
  // The leading zero is dropped before a value overflows.
  EXPECT_EQ(format_record("(f4.3)", 0.5), ".500\n");
  EXPECT_EQ(format_record("(f5.3)", -0.5), "-.500\n");
  EXPECT_EQ(format_record("(f5.3)", 0.5), "0.500\n");
}

// Hard corners of the exact F rounding: values that are exact binary ties at
// the decimal counts the files use, their neighbours, carries that overflow
// the field, values far below the last decimal, and magnitudes or decimal
// counts beyond 128-bit integer arithmetic.
TEST(RecordWrite, FixedPointExactCorners) {
  struct Case {
    double value;
    const char* format;
    const char* expected;
  };
  const Case cases[] = {
      {0.0625, "(f8.3)", "   0.063"},
      {-0.0625, "(f8.3)", "  -0.063"},
      {std::nextafter(0.0625, 0.0), "(f8.3)", "   0.062"},
      {1234.5625, "(f8.3)", "1234.563"},
      {0.03125, "(f10.4)", "    0.0313"},
      {-0.03125, "(f10.4)", "   -0.0313"},
      {0.375, "(f6.2)", "  0.38"},
      {0.001953125, "(f14.8)", "    0.00195313"},
      {-0.001953125, "(f14.8)", "   -0.00195313"},
      {9.5, "(f3.0)", "10."},
      {99.5, "(f4.0)", "100."},
      {99.5, "(f3.0)", "***"},
      {9.75, "(f4.1)", " 9.8"},
      {9999.9995, "(f8.3)", "9999.999"},  // just below the tie in binary
      {static_cast<double>(9999.9995f), "(f8.3)", "9999.999"},
      {-999.9995, "(f8.3)", "********"},
      {-999.999, "(f8.3)", "-999.999"},
      {99999.9, "(f8.3)", "********"},
      {static_cast<double>(1234.5678f), "(f10.4)", " 1234.5677"},
      {0.0004999, "(f8.3)", "   0.000"},
      {-0.0004999, "(f8.3)", "  -0.000"},
      {1e-30, "(f8.3)", "   0.000"},
      {5e-324, "(f6.2)", "  0.00"},
      {-5e-324, "(f6.2)", " -0.00"},
      {-0.0, "(f8.3)", "  -0.000"},
      {0.0, "(f4.0)", "  0."},
      {1e20, "(f26.3)", " 100000000000000000000.000"},
      {18446744073709551616.0, "(f25.4)", "18446744073709551616.0000"},
      {1e38, "(f44.3)", "  99999999999999997748809823456034029568.000"},
      {1e300, "(f8.3)", "********"},
      {0.1, "(f33.30)", " 0.100000000000000005551115123126"},
      {static_cast<double>(0.1f), "(f33.30)", " 0.100000001490116119384765625000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(format_record(c.format, c.value), std::string(c.expected) + "\n") << c.value << " " << c.format;
  }
}

TEST(RecordWrite, NonFiniteValues) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(format_record("(f8.3,a)", nan, "|"), "     NaN|\n");
  EXPECT_EQ(format_record("(f2.3,a)", nan, "|"), "**|\n");
  EXPECT_EQ(format_record("(f8.3,a)", inf, "|"), "Infinity|\n");
  EXPECT_EQ(format_record("(f8.3,a)", -inf, "|"), "    -Inf|\n");
  EXPECT_EQ(format_record("(f3.3,a)", -inf, "|"), "***|\n");
}

TEST(RecordWrite, GroupsSlashesDollarAndReversion) {
  EXPECT_EQ(format_record("(/1x,'title of data:'/1x,a)", "abc"), "\n title of data:\n abc\n");
  EXPECT_EQ(format_record("(1x,'Enter',t10,'==> ',$)"), " Enter   ==> ");
  EXPECT_EQ(format_record("(3(i2,a))", 1, "a", 2, "b", 3, "c", 4, "d"), " 1a 2b 3c\n 4d\n");
  // Reversion restarts at the last top-level group, repeat count included.
  EXPECT_EQ(format_record("(i3,2(i2,a))", 1, 2, "a", 3, "b", 4, "c", 5, "d"), "  1 2a 3b\n 4c 5d\n");
  // Writing stops at the first value descriptor without a value.
  EXPECT_EQ(format_record("(a8,i4,10i6)", "ID      ", 1950, 1, 2), "ID      1950     1     2\n");
  EXPECT_EQ(format_record("(10(i4,i3))", 356, 38), " 356 38\n");
  EXPECT_EQ(format_record("(a)"), "\n");
  EXPECT_EQ(format_record("(//3x,'x')"), "\n\n   x\n");
  EXPECT_EQ(format_record("('it''s')"), "it's\n");
}

TEST(RecordWrite, ExponentFields) {
  EXPECT_EQ(format_record("(d17.10)", -0.5), "-0.5000000000D+00\n");
  EXPECT_EQ(format_record("(e12.4)", 1234.56), "  0.1235E+04\n");
  EXPECT_EQ(format_record("(e10.4)", -0.000099996), "-.1000E-03\n");  // carry into the exponent, no room for the 0
  EXPECT_EQ(format_record("(e11.3)", 0.0), "  0.000E+00\n");
  EXPECT_EQ(format_record("(e10.3)", 1.0e120), " 0.100+121\n");
  EXPECT_EQ(format_record("(e5.3)", 1.0), "*****\n");
  // A typed format may ask for hundreds of digits: printed in full, the
  // rounding reads the digits beyond the last one kept.
  EXPECT_EQ(format_record("(e606.600)", 2.0 / 3.0), "0." + std::string("66666666666666662965923251249478198587894439697265625") +
                                                         std::string(547, '0') + "E+00\n");
  EXPECT_EQ(format_record("(f603.600)", 1.0e-300).substr(0, 8), " 0.00000");
  EXPECT_EQ(format_record("(f603.600)", 1.0e300).substr(0, 3), "***");
}

TEST(RecordWrite, CharacterFields) {
  EXPECT_EQ(format_record("(a8,'|')", "abc"), "     abc|\n");
  EXPECT_EQ(format_record("(a2,'|')", "abc"), "ab|\n");
  EXPECT_EQ(format_record("(a,'|')", "abc "), "abc |\n");
}

TEST(RecordWrite, BadFormatsThrow) {
  EXPECT_THROW(format_record("(i)"), FormatError);
  EXPECT_THROW(format_record("i6"), FormatError);
  EXPECT_THROW(format_record("(f8)"), FormatError);
  EXPECT_THROW(format_record("(i6", 1), FormatError);
  EXPECT_THROW(format_record("(i6)", "text"), FormatError);
  // Values left over while the part the format restarts at holds no value
  // descriptor: an error, not an endless run of empty records.
  EXPECT_THROW(format_record("(i4,(2x))", 1, 2), FormatError);
  EXPECT_EQ(format_record("(i4,(2x))", 1), "   1\n");
  // Nested repeats multiply: a format that would expand into gigabytes is a
  // format error, on reading too, whatever its nesting; so is one nested so
  // deep that parsing it would exhaust the stack.
  const std::string wide_text = "(1000('" + std::string(100, '-') + "'))";
  const std::string deep = std::string(100000, '(') + std::string(100000, ')');
  for (const std::string& huge : {std::string("(2000(20000i31))"), std::string("(20(10000i1))"),
                                  std::string("(10(10(10(10(11i1)))))"), std::string("(2(50001i1))"),
                                  std::string("(100000(2/))"), wide_text, deep}) {
    EXPECT_THROW(format_record(huge, 1), FormatError) << huge;
    EXPECT_FALSE(format_is_valid(huge)) << huge;
    int v = 0;
    EXPECT_EQ(read_fields(huge, "1", &v), ReadStatus::kConversionError) << huge;
  }
  // Up to the limit every repeat still expands.
  for (const char* wide : {"(100000i1)", "(2(50000i1))", "(10(10(10(10(10i1)))))", "(a10,400(a15,1x))"}) {
    EXPECT_TRUE(format_is_valid(wide)) << wide;
  }
  EXPECT_EQ(format_record("(2(50000i1))", 7, 8).substr(0, 2), "78");
}

TEST(RecordRead, IntegerAndRealFields) {
  int a = -1, b = -1;
  float f = -1.0f;
  EXPECT_EQ(read_fields("(2i4)", " 1 2  3", &a, &b), ReadStatus::kOk);
  EXPECT_EQ(a, 12);  // blanks ignored
  EXPECT_EQ(b, 3);
  EXPECT_EQ(read_fields("(2i4)", "", &a, &b), ReadStatus::kOk);
  EXPECT_EQ(a, 0);  // all-blank fields and short records read as 0
  EXPECT_EQ(b, 0);
  EXPECT_EQ(read_fields("(f8.3)", "   12345", &f), ReadStatus::kOk);
  EXPECT_FLOAT_EQ(f, 12.345f);  // implied decimal point
  EXPECT_EQ(read_fields("(f8.3)", "  1.5   ", &f), ReadStatus::kOk);
  EXPECT_FLOAT_EQ(f, 1.5f);
  EXPECT_EQ(read_fields("(e10.3)", "  1.5e2   ", &f), ReadStatus::kOk);
  EXPECT_FLOAT_EQ(f, 150.0f);
  EXPECT_EQ(read_fields("(d10.3)", "  1.5d-1  ", &f), ReadStatus::kOk);
  EXPECT_FLOAT_EQ(f, 0.15f);
  EXPECT_EQ(read_fields("(g10.2)", "     -25  ", &f), ReadStatus::kOk);
  EXPECT_FLOAT_EQ(f, -0.25f);
  EXPECT_EQ(read_fields("(i4)", "  x1", &a), ReadStatus::kConversionError);
  EXPECT_EQ(read_fields("(f6.2)", " 1.2.3", &f), ReadStatus::kConversionError);
  EXPECT_EQ(read_fields("(i3", "  1", &a), ReadStatus::kConversionError);
  // Values that are no finite REAL, and integers beyond int, are conversion
  // errors like any other unreadable field.
  for (const char* field :
       {"  1.0e40", " -1.0e40", "     inf", "    -inf", "     nan", "Infinity", "  1.e+39", "  3.5e38", " 1.0d999"}) {
    f = 7.0f;
    EXPECT_EQ(read_fields("(f8.3)", field, &f), ReadStatus::kConversionError) << field;
    EXPECT_EQ(f, 7.0f) << field;
  }
  EXPECT_EQ(read_fields("(e13.3)", " 3.4028234e38", &f), ReadStatus::kOk);
  EXPECT_EQ(read_fields("(i12)", "  2147483648", &a), ReadStatus::kConversionError);
  EXPECT_EQ(read_fields("(i12)", " -2147483648", &a), ReadStatus::kOk);
  EXPECT_EQ(read_fields("(i25)", "999999999999999999999999", &a), ReadStatus::kConversionError);
  EXPECT_EQ(read_fields("(f12.0)", "  3000000000", &a), ReadStatus::kConversionError);
  EXPECT_EQ(read_fields("(i4)", " nan", &f), ReadStatus::kConversionError);
}

TEST(RecordRead, PositionsAndText) {
  int year = 0, n = 0;
  std::string id(8, ' '), descriptor;
  EXPECT_EQ(read_fields("(a6,t7,i4)", "ABCDEF1950", &id, &year), ReadStatus::kOk);
  EXPECT_EQ(id, "ABCDEF  ");  // a narrower field is blank-padded to the variable
  EXPECT_EQ(year, 1950);
  std::string eight(8, ' ');
  EXPECT_EQ(read_fields("(a)", "abcdefghij", &eight), ReadStatus::kOk);
  EXPECT_EQ(eight, "abcdefgh");
  EXPECT_EQ(read_fields("(2(2x,i8),t23,a)", "       120      1900  (10f8.3)", &n, &year, &descriptor),
            ReadStatus::kOk);
  EXPECT_EQ(n, 120);
  EXPECT_EQ(year, 1900);
  EXPECT_EQ(descriptor, "(10f8.3)");
}

TEST(RecordRead, ListsLongerThanTheFormatContinueOnNewRecords) {
  std::vector<std::string> records{"   1   2", "   3   4", "   5"};
  std::size_t next = 0;
  RecordSupplier supply = [&]() -> std::optional<std::string> {
    if (next >= records.size()) return std::nullopt;
    return records[next++];
  };
  int v[5] = {};
  const FieldTarget targets[] = {&v[0], &v[1], &v[2], &v[3], &v[4]};
  EXPECT_EQ(read_record("(2i4)", supply, targets), ReadStatus::kOk);
  EXPECT_EQ(v[4], 5);
  EXPECT_EQ(next, 3u);
  next = 0;
  int w[2] = {};
  const FieldTarget two[] = {&w[0], &w[1]};
  EXPECT_EQ(read_record("(2x,i3)", supply, two), ReadStatus::kOk);  // one value per record
  EXPECT_EQ(w[0], 1);
  EXPECT_EQ(w[1], 3);
  next = 2;
  EXPECT_EQ(read_record("(2i4)", supply, std::span<const FieldTarget>(targets, 4)), ReadStatus::kEndOfFile);
  // A "/" starts a new record.
  next = 0;
  EXPECT_EQ(read_record("(i4/i4)", supply, two), ReadStatus::kOk);
  EXPECT_EQ(w[1], 3);
  // A typed format whose last group reads nothing cannot finish the list: a
  // conversion error before the rest of the file is consumed.
  next = 0;
  EXPECT_EQ(read_record("(i4,(2x))", supply, two), ReadStatus::kConversionError);
  EXPECT_EQ(next, 1u);
}

TEST(ListDirected, IntegersTakeTwelveColumns) {
  EXPECT_EQ(list_directed(1999, 1900, 100), "        1999        1900         100\n");
  EXPECT_EQ(list_directed("Y=", 1.5f), " Y=   1.50000000    \n");
}

}  // namespace
}  // namespace qb
