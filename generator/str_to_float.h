// Reading a number the way a user types it in their own number format.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "generator/extended.h"

namespace pelmora {

// The conversion error: "'<text>' is not a valid floating point value".
class ConvertError : public std::runtime_error {
 public:
  explicit ConvertError(std::string_view text);
  // The whole message; what() ends at the first NUL byte of the text, this does not.
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

// The extended value nearest to text, or nothing when text is not a number. Accepted: optional
// blanks around an optional sign, digits with at most one decimal separator (digits on at least
// one side), and an optional exponent "e" or "E" with an optional sign and digits. The separator
// is the user's (".", ",", or any other UTF-8 text); no thousands separators. A value beyond the
// extended range is not a number.
std::optional<Extended> TryStrToFloat(std::string_view text, std::string_view decimalSeparator);

// Whether text is a number whose value, held as a single (as a run holds the Gauss mean and
// sigma), is finite: only such values print as numbers in a dataset header.
bool IsFiniteSingle(std::string_view text, std::string_view decimalSeparator);

// As TryStrToFloat, throwing ConvertError for text that is not a number.
Extended StrToFloat(std::string_view text, std::string_view decimalSeparator);

}  // namespace pelmora
