#include "generator/str_to_float.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <vector>

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

#ifndef PELMORA_SOFT_EXTENDED
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

#endif
#ifdef PELMORA_SOFT_EXTENDED
// Decimal to extended in integer arithmetic, correctly rounded, as strtold rounds to the x87
// format: the digits as one big integer (32-bit limbs, least significant first), times or
// divided by the power of ten.
using Big = std::vector<uint32_t>;

void MultiplyAdd(Big& v, uint32_t m, uint32_t add) {
  uint64_t carry = add;
  for (uint32_t& limb : v) {
    const uint64_t p = uint64_t{limb} * m + carry;
    limb = static_cast<uint32_t>(p);
    carry = p >> 32;
  }
  if (carry != 0) v.push_back(static_cast<uint32_t>(carry));
}

// v /= d; returns whether a remainder was left.
bool DivideBy(Big& v, uint32_t d) {
  uint64_t rest = 0;
  for (size_t i = v.size(); i-- > 0;) {
    const uint64_t current = (rest << 32) | v[i];
    v[i] = static_cast<uint32_t>(current / d);
    rest = current % d;
  }
  while (!v.empty() && v.back() == 0) v.pop_back();
  return rest != 0;
}

int64_t BitLength(const Big& v) {
  if (v.empty()) return 0;
  return 32 * static_cast<int64_t>(v.size()) - std::countl_zero(v.back());
}

bool Bit(const Big& v, int64_t i) {
  return i >= 0 && (v[static_cast<size_t>(i / 32)] >> (i % 32)) & 1;
}

// The extended value nearest to v * 2^scale (v > 0); `inexact` says more nonzero bits lay below.
SoftExtended RoundBig(bool negative, const Big& v, int64_t scale, bool inexact) {
  const int64_t length = BitLength(v);
  soft::U128 window = 0;
  for (int64_t i = length - 1; i >= length - 128; --i) window = (window << 1) | (Bit(v, i) ? 1 : 0);
  bool sticky = inexact;
  for (int64_t i = length - 129; i >= 0 && !sticky; --i) sticky = Bit(v, i);
  const int64_t weight = std::max<int64_t>(scale + length - 128, -1'000'000);
  return soft::Pack(negative, static_cast<int32_t>(weight), window | (sticky ? 1 : 0));
}

// The neutral text [-]digits.digits[e[-]digits] as extended: nothing beyond the range, a signed
// zero below the normal range (as strtold's range error reads here).
std::optional<Extended> ReadNeutral(std::string_view neutral) {
  const bool negative = neutral.front() == '-';
  std::string digits;
  int64_t exponent = 0;
  size_t i = negative ? 1 : 0;
  bool fraction = false;
  for (; i < neutral.size() && neutral[i] != 'e'; ++i) {
    if (neutral[i] == '.') {
      fraction = true;
    } else {
      digits.push_back(neutral[i]);
      if (fraction) --exponent;
    }
  }
  if (i < neutral.size()) {
    ++i;
    const bool down = i < neutral.size() && neutral[i] == '-';
    if (down) ++i;
    int64_t e = 0;
    for (; i < neutral.size(); ++i)
      e = std::min<int64_t>(e * 10 + (neutral[i] - '0'), 1'000'000'000);
    exponent += down ? -e : e;
  }
  const size_t lead = digits.find_first_not_of('0');
  const Extended zero = Extended::FromBits(soft::Zero(negative));
  if (lead == std::string::npos) return zero;
  digits.erase(0, lead);
  while (digits.back() == '0') {
    digits.pop_back();
    ++exponent;
  }
  // The value lies in [10^(magnitude - 1), 10^magnitude); the extended range is about
  // 3.4e-4932 to 1.2e4932.
  const int64_t magnitude = static_cast<int64_t>(digits.size()) + exponent;
  if (magnitude > 4934) return std::nullopt;
  if (magnitude < -4933) return zero;
  Big v;
  for (const char c : digits) MultiplyAdd(v, 10, static_cast<uint32_t>(c - '0'));
  SoftExtended result;
  if (exponent >= 0) {
    for (int64_t k = 0; k < exponent; ++k) MultiplyAdd(v, 10, 0);
    result = RoundBig(negative, v, 0, false);
  } else {
    // v * 2^s / 10^-exponent with at least 130 bits in the quotient.
    const int64_t tens = -exponent;
    const int64_t s = std::max<int64_t>(0, 132 + (tens * 3322 + 999) / 1000 - BitLength(v));
    Big shifted(static_cast<size_t>(s / 32), 0);
    shifted.insert(shifted.end(), v.begin(), v.end());
    v = std::move(shifted);
    MultiplyAdd(v, uint32_t{1} << (s % 32), 0);
    bool inexact = false;
    int64_t left = tens;
    for (; left >= 9; left -= 9) inexact = DivideBy(v, 1'000'000'000) || inexact;
    uint32_t last = 1;
    for (; left > 0; --left) last *= 10;
    inexact = DivideBy(v, last) || inexact;
    result = RoundBig(negative, v, -s, inexact);
  }
  if (result.IsInf()) return std::nullopt;
  if (result.exponent() == 0) return zero;
  return Extended::FromBits(result);
}
#endif

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

#ifdef PELMORA_SOFT_EXTENDED
  return ReadNeutral(neutral);
#else
  long double value = 0.0L;
  const char* first = neutral.data();
  const char* last = first + neutral.size();
  const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    // Too small to hold is zero (with its sign); too large is not a value.
    if (DecimalMagnitude(neutral) <= 0) {
      return Extended::FromLongDouble(neutral.front() == '-' ? -0.0L : 0.0L);
    }
    return std::nullopt;
  }
  if (error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
  return Extended::FromLongDouble(value);
#endif
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
