// TryStrToFloat, the reading of the Gauss mean and sigma in the user's number format.
//
// Input: one byte choosing the decimal separator, then the text. Every text is checked against
// a reading made another way: a regular expression of the accepted form, and strtold of the
// same digits in the C locale. The value must be strtold's (0 of the same sign where the value
// is too small for a normal extended number), nothing where strtold overflows, and the same
// text with another separator must read the same.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include "generator/str_to_float.h"

namespace {

void Check(bool condition, const char* what, std::string_view text) {
  if (condition) return;
  std::fprintf(stderr, "str_to_float fuzzer: %s for '%.*s'\n", what, static_cast<int>(text.size()),
               text.data());
  std::abort();
}

std::string EscapeForRegex(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

// A separator made of characters the number itself never uses, so that the form of the text
// decides alone where the separator stands.
bool IsPlainSeparator(std::string_view separator) {
  if (separator.empty()) return false;
  for (const char c : separator) {
    if ((c >= '0' && c <= '9') || c == 'e' || c == 'E' || c == '+' || c == '-' || c == ' ' ||
        c == '\t' || c == '\0') {
      return false;
    }
  }
  return true;
}

// [blanks][sign](digits[sep digits] | sep digits)[e[sign]digits][blanks], made once for each
// separator.
const std::regex& NumberForm(const std::string& separator) {
  static std::map<std::string, std::regex> forms;
  if (forms.size() > 256) forms.clear();
  auto found = forms.find(separator);
  if (found == forms.end()) {
    const std::string sep = EscapeForRegex(separator);
    const std::string form = "[ \\t]*([+-]?)(?:([0-9]+)(?:" + sep + "([0-9]*))?|" + sep +
                             "([0-9]+))(?:[eE]([+-]?[0-9]+))?[ \\t]*";
    found = forms.emplace(separator, std::regex(form)).first;
  }
  return found->second;
}

bool SameReading(const std::optional<long double>& a, const std::optional<long double>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  return *a == *b && std::signbit(*a) == std::signbit(*b);
}

// TryStrToFloat's value as an x87 long double (fuzzing runs on x86-64 only), held exactly.
std::optional<long double> Read(std::string_view text, std::string_view separator) {
  const auto value = pelmora::TryStrToFloat(text, separator);
  if (!value) return std::nullopt;
  return static_cast<long double>(*value);
}

// The other separator to read the text with, chosen so that it too is plain.
std::string OtherSeparator(std::string_view separator) {
  if (separator == ",") return "\xD9\xAB";  // the Arabic decimal separator, two bytes
  return ",";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 300) return 0;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string separator;
  const uint8_t choice = data[0];
  bytes.remove_prefix(1);
  switch (choice % 5) {
    case 0:
      separator = ".";
      break;
    case 1:
      separator = ",";
      break;
    case 2:
      separator = "\xD9\xAB";
      break;
    case 3:
      separator = "";
      break;
    default: {
      // A separator of 1 to 3 arbitrary bytes taken from the input.
      const size_t length = std::min<size_t>(1 + choice / 5 % 3, bytes.size());
      separator = std::string(bytes.substr(0, length));
      bytes.remove_prefix(length);
    }
  }
  const std::string_view text = bytes;

  const std::optional<long double> value = Read(text, separator);
  Check(SameReading(value, Read(text, separator)), "two readings differ", text);
  if (value) Check(std::isfinite(*value), "a value that is not finite", text);
  if (!IsPlainSeparator(separator)) return 0;

  const std::regex& form = NumberForm(separator);
  std::match_results<std::string_view::const_iterator> parts;
  if (!std::regex_match(text.begin(), text.end(), parts, form)) {
    Check(!value.has_value(), "accepted a text that is not of the number's form", text);
  } else {
    std::string neutral = parts[1].str();
    neutral += parts[2].matched ? parts[2].str() : std::string("0");
    neutral += ".";
    neutral += parts[3].matched ? parts[3].str() : parts[4].str();
    if (parts[5].matched) neutral += "e" + parts[5].str();
    errno = 0;
    const long double expected = std::strtold(neutral.c_str(), nullptr);
    const bool overflow = errno == ERANGE && std::isinf(expected);
    if (overflow) {
      Check(!value.has_value(), "accepted a value beyond the extended range", text);
    } else if (errno == ERANGE || (expected != 0 && std::fabs(expected) < LDBL_MIN)) {
      // Below the normal range: the nearest subnormal, or zero with the sign of the text.
      Check(value.has_value(), "refused a number too small to hold", text);
      Check(*value == expected || *value == 0, "a tiny number read wrongly", text);
      Check(std::signbit(*value) == (parts[1].str() == "-"), "a tiny number lost its sign", text);
    } else {
      Check(value.has_value(), "refused a number of the accepted form", text);
      Check(*value == expected, "value differs from strtold", text);
      Check(std::signbit(*value) == std::signbit(expected), "sign differs from strtold", text);
    }
  }

  // The separator is only a name for the decimal point: another one reads the same number.
  const std::string other = OtherSeparator(separator);
  if (text.find(other) == std::string_view::npos) {
    std::string renamed;
    for (size_t i = 0; i < text.size();) {
      if (text.substr(i).starts_with(separator)) {
        renamed += other;
        i += separator.size();
      } else {
        renamed += text[i++];
      }
    }
    Check(SameReading(value, Read(renamed, other)), "another separator reads another number", text);
  }
  return 0;
}
