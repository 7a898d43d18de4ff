#include "generator/str_to_float.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace pelmora {

namespace {

std::string ConvertMessage(std::string_view text) {
  std::string message;
  message.reserve(text.size() + 40);
  message.append("'").append(text).append("' is not a valid floating point value");
  return message;
}

}  // namespace

ConvertError::ConvertError(std::string_view text)
    : std::runtime_error(ConvertMessage(text)), message_(ConvertMessage(text)) {}

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// For a neutral number text that is not zero: where its first significant digit stands, as
// the power of ten just above it (1 for "1.5", 0 for "0.5", -2 for "0.005e0", 3 for "5e2"),
// saturated far beyond any extended exponent. Only its sign matters to the caller.
long long DecimalMagnitude(std::string_view neutral) {
  long long position = 0;  // digits seen before the point, after leading zeros
  long long fractionZeros = 0;
  bool significant = false;
  bool fraction = false;
  size_t i = 0;
  if (i < neutral.size() && neutral[i] == '-') ++i;
  for (; i < neutral.size() && neutral[i] != 'e'; ++i) {
    const char c = neutral[i];
    if (c == '.') {
      fraction = true;
    } else if (c != '0' || significant) {
      if (!significant && fraction) position = -fractionZeros;
      significant = true;
      if (!fraction) ++position;
    } else if (fraction) {
      ++fractionZeros;
    }
  }
  long long exponent = 0;
  bool negative = false;
  if (i < neutral.size()) {
    ++i;
    if (i < neutral.size() && neutral[i] == '-') {
      negative = true;
      ++i;
    }
    for (; i < neutral.size(); ++i) {
      exponent = std::min(exponent * 10 + (neutral[i] - '0'), 1'000'000'000'000LL);
    }
  }
  return position + (negative ? -exponent : exponent);
}

}  // namespace

std::optional<Extended> TryStrToFloat(std::string_view text, std::string_view decimalSeparator) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

  // Rewrite the text in the neutral form that from_chars reads: [-]digits[.digits][e[-]digits].
  std::string neutral;
  neutral.reserve(text.size() + 1);
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') neutral.push_back('-');
    ++i;
  }
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) {
    neutral.push_back(text[i++]);
    ++digits;
  }
  if (!decimalSeparator.empty() && text.substr(i).starts_with(decimalSeparator)) {
    i += decimalSeparator.size();
    neutral.push_back('.');
    while (i < text.size() && IsDigit(text[i])) {
      neutral.push_back(text[i++]);
      ++digits;
    }
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    neutral.push_back('e');
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      if (text[i] == '-') neutral.push_back('-');
      ++i;
    }
    size_t exponentDigits = 0;
    while (i < text.size() && IsDigit(text[i])) {
      neutral.push_back(text[i++]);
      ++exponentDigits;
    }
    if (exponentDigits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;

  long double value = 0.0L;
  const char* first = neutral.data();
  const char* last = first + neutral.size();
  const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    // Too small to hold is zero (with its sign); too large is not a value.
    if (DecimalMagnitude(neutral) <= 0)
      return Extended::FromLongDouble(neutral.front() == '-' ? -0.0L : 0.0L);
    return std::nullopt;
  }
  if (error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
  return Extended::FromLongDouble(value);
}

bool IsFiniteSingle(std::string_view text, std::string_view decimalSeparator) {
  const auto value = TryStrToFloat(text, decimalSeparator);
  return value && std::isfinite(static_cast<float>(*value));
}

Extended StrToFloat(std::string_view text, std::string_view decimalSeparator) {
  const auto value = TryStrToFloat(text, decimalSeparator);
  if (!value) throw ConvertError(text);
  return *value;
}

}  // namespace pelmora
