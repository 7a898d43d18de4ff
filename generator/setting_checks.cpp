#include "generator/setting_checks.h"

#include <charconv>

#include "generator/quoted.h"
#include "generator/str_to_float.h"

namespace pelmora {

std::optional<int32_t> ParseWholeNumber(std::string_view text, int64_t min, int64_t max) {
  if (text.empty() || text.front() == '+') return std::nullopt;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return static_cast<int32_t>(value);
}

bool IsTwoDecimalNumber(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && text[i] == '-') ++i;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    size_t decimals = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++decimals;
    if (decimals > 2) return false;
    digits += decimals;
  }
  return digits != 0 && i == text.size() && IsFiniteSingle(text, ".");
}

std::string TripleAccepted(const WholeNumberSetting& setting) {
  return "one to three whole numbers X,Y,Z from " + std::to_string(setting.min) + " to " +
         std::to_string(setting.max);
}

std::string ExpectedGot(std::string_view accepted, std::string_view text) {
  return "expected " + std::string(accepted) + ", got " + QuoteExcerpt(text);
}

}  // namespace pelmora
