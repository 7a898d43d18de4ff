// The checks a setting's text goes through, wherever it comes from: a pelmora-gen option or a line
// of a dataset header (--from, --verify). One place, so that a header can never carry a value the
// options refuse.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pelmora {

// A whole number setting: its limits and how a message describes what it accepts.
struct WholeNumberSetting {
  int64_t min;
  int64_t max;
  const char* accepted;  // "a whole number from 1 to 100000"
};

inline constexpr WholeNumberSetting kDimensionSetting{1, 3, "1, 2 or 3"};
inline constexpr WholeNumberSetting kWorldSetting{1, 100000, "a whole number from 1 to 100000"};
inline constexpr WholeNumberSetting kBoxesSetting{1, 2147483647,
                                                 "a whole number from 1 to 2147483647"};

// The upper limit the box-count header line shows: the window's 100000 for up to 100000 boxes,
// so those files are the window's byte for byte; 2147483647 above, so that the line
// "Boxes created [1..2147483647]: N" states the range the count was taken from.
inline constexpr int32_t kWindowMaxBoxes = 100000;
inline int32_t BoxCountLimit(int32_t boxCount) {
  return boxCount > kWindowMaxBoxes ? static_cast<int32_t>(kBoxesSetting.max) : kWindowMaxBoxes;
}
inline constexpr WholeNumberSetting kHighSetting{1, 100000, "a whole number from 1 to 100000"};
inline constexpr WholeNumberSetting kExponentSetting{1, 2, "1 or 2"};
inline constexpr WholeNumberSetting kSeedSetting{1, 65535, "a whole number from 1 to 65535"};

// A whole number in [min, max], decimal, with an optional minus sign; nothing else.
std::optional<int32_t> ParseWholeNumber(std::string_view text, int64_t min, int64_t max);
inline std::optional<int32_t> ParseWholeNumber(std::string_view text,
                                               const WholeNumberSetting& setting) {
  return ParseWholeNumber(text, setting.min, setting.max);
}

// A real as the window's number field takes it: digits with at most two decimals after a full
// stop, an optional minus sign; finite as a single-precision number. So the header, which prints
// two decimals, always records the value used.
bool IsTwoDecimalNumber(std::string_view text);

// What --world and --high accept: "one to three whole numbers X,Y,Z from <min> to <max>".
std::string TripleAccepted(const WholeNumberSetting& setting);

inline constexpr const char* kDistributionAccepted =
    "uniform, gauss, skewed, diagonal, bit, sierpinski, clustered or parcel";

// What the Gauss mean and sigma accept, for messages.
inline constexpr const char* kMeanAccepted =
    "a number with at most two decimals, such as 350 or 350.25";
inline constexpr const char* kSigmaAccepted =
    "a number with at most two decimals, such as 100 or 80.5";

// "expected <accepted>, got '<text>'", the text shown as QuoteExcerpt shows it.
std::string ExpectedGot(std::string_view accepted, std::string_view text);

}  // namespace pelmora
