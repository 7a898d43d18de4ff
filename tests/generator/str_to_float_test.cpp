#include "generator/str_to_float.h"

#include <gtest/gtest.h>

#include <string>

namespace pelmora {
namespace {

TEST(StrToFloatTest, ReadsNumbersInTheUsersFormat) {
  struct Case {
    const char* text;
    const char* separator;
    Extended expected;
  };
  const Case cases[] = {
      {"350", ".", 350.0},
      {"350.00", ".", 350.0},
      {"350,5", ",", 350.5},
      {"  -12.25  ", ".", -12.25},
      {"+7", ".", 7.0},
      {".5", ".", 0.5},
      {"5.", ".", 5.0},
      {"1e3", ".", 1000.0},
      {"2,5E-1", ",", 0.25},
      // The extended value nearest to one tenth: 0xCCCCCCCCCCCCCCCD * 2^-67.
      {"0.1", ".", Extended::FromBits({0xCCCCCCCCCCCCCCCDu, 0x3FFB})},
      {"3\xD9\xAB"
       "5",
       "\xD9\xAB", 3.5},  // a separator of several bytes (Arabic)
      {"1e-5000", ".", 0.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StrToFloat(c.text, c.separator), c.expected) << c.text;
  }
}

TEST(StrToFloatTest, RejectsWhatIsNotANumber) {
  struct Case {
    const char* text;
    const char* separator;
  };
  const Case cases[] = {
      {"", "."},      {" ", "."},     {"-", "."},      {".", "."},       {"abc", "."},
      {"350,5", "."}, {"350.5", ","}, {"1.2.3", "."},  {"1,000.5", "."}, {"1e", "."},
      {"1e+", "."},   {"12a", "."},   {"1e5000", "."}, {"inf", "."},     {"nan", "."},
      {"0x10", "."},  {"1 2", "."},   {"--1", "."},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(TryStrToFloat(c.text, c.separator).has_value()) << '"' << c.text << '"';
  }
}

TEST(StrToFloatTest, ErrorNamesTheText) {
  try {
    StrToFloat("12a", ".");
    FAIL() << "no error";
  } catch (const ConvertError& error) {
    EXPECT_STREQ(error.what(), "'12a' is not a valid floating point value");
  }
}

}  // namespace
}  // namespace pelmora
