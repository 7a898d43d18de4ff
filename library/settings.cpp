#include "pelmora/settings.h"

#include <charconv>
#include <cmath>
#include <string>

#include "generator/setting_checks.h"
#include "generator/families.h"
#include "library/settings_controls.h"

namespace pelmora {

namespace {

// pelmora-gen's limits and words, from the checks its options and the header reading share.
static_assert(kWorldSetting.max == kMaxWorldSize && kHighSetting.max == kMaxWorldSize);
static_assert(kBoxesSetting.max == kMaxBoxes && kSeedSetting.max == kMaxSeed);

std::string Accepted(std::string_view option) {
  if (option == "dimension") return kDimensionSetting.accepted;
  if (option == "world") return TripleAccepted(kWorldSetting);
  if (option == "boxes") return kBoxesSetting.accepted;
  if (option == "high") return TripleAccepted(kHighSetting);
  if (option == "distribution") return kDistributionAccepted;
  if (option == "mean") return kMeanAccepted;
  if (option == "sigma") return kSigmaAccepted;
  if (option == "exponent") return kExponentSetting.accepted;
  if (option == "seed") return kSeedSetting.accepted;
  if (const std::string_view family = FamilySettingAccepts(option); !family.empty()) {
    return std::string(family);
  }
  return "a valid value";
}

std::string Triple(const std::array<int32_t, 3>& values) {
  return std::to_string(values[0]) + "," + std::to_string(values[1]) + "," +
         std::to_string(values[2]);
}

bool InRange(int32_t value, const WholeNumberSetting& setting) {
  return value >= setting.min && value <= setting.max;
}

// A real as a message shows it: the shortest text that reads back as the same double.
std::string RealText(double value) {
  if (std::isnan(value)) return "nan";
  char text[400];
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  return error == std::errc() ? std::string(text, end) : std::string("?");
}

// The double nearest a decimal text with a full stop, or NaN (which Validate refuses).
double ParseReal(std::string_view text) {
  double value = NAN;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : NAN;
}

FamilySettings FamiliesOf(const Settings& s) {
  FamilySettings f;
  f.diagonalFraction = s.diagonalFraction;
  f.diagonalWidth = s.diagonalWidth;
  f.bitProbability = s.bitProbability;
  f.bitDigits = s.bitDigits;
  f.clusters = s.clusters;
  f.clusterSigma = s.clusterSigma;
  f.parcelSplit = s.parcelSplit;
  f.parcelDither = s.parcelDither;
  return f;
}

// The family setting of that option name as a message shows it.
std::string FamilyValueText(const Settings& s, std::string_view option) {
  if (option == "diagonal-fraction") return RealText(s.diagonalFraction);
  if (option == "diagonal-width") return RealText(s.diagonalWidth);
  if (option == "bit-probability") return RealText(s.bitProbability);
  if (option == "bit-digits") return std::to_string(s.bitDigits);
  if (option == "clusters") return std::to_string(s.clusters);
  if (option == "cluster-sigma") return RealText(s.clusterSigma);
  if (option == "parcel-split") return RealText(s.parcelSplit);
  return RealText(s.parcelDither);
}

}  // namespace

const char* DistributionName(Distribution distribution) {
  return DistributionKindName(static_cast<int32_t>(distribution));
}

std::optional<Distribution> ParseDistribution(std::string_view name) {
  const std::optional<int32_t> kind = DistributionKindNamed(name);
  if (!kind) return std::nullopt;
  return static_cast<Distribution>(*kind);
}

std::string ExpectedMessage(std::string_view option, std::string_view got) {
  return "--" + std::string(option) + ": " + ExpectedGot(Accepted(option), got);
}

std::optional<std::string> TwoDecimalText(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  std::string text = RealText(value);
  if (!IsTwoDecimalNumber(text)) return std::nullopt;
  return text;
}

Status Validate(const Settings& s) {
  if (!InRange(s.dimension, kDimensionSetting)) {
    return Status::Error(ExpectedMessage("dimension", std::to_string(s.dimension)));
  }
  for (int32_t size : s.world) {
    if (!InRange(size, kWorldSetting)) {
      return Status::Error(ExpectedMessage("world", Triple(s.world)));
    }
  }
  if (!InRange(s.boxes, kBoxesSetting)) {
    return Status::Error(ExpectedMessage("boxes", std::to_string(s.boxes)));
  }
  for (int32_t size : s.high) {
    if (!InRange(size, kHighSetting)) {
      return Status::Error(ExpectedMessage("high", Triple(s.high)));
    }
  }
  if (DistributionName(s.distribution) == nullptr) {
    return Status::Error(
        ExpectedMessage("distribution", std::to_string(static_cast<int32_t>(s.distribution))));
  }
  if (!TwoDecimalText(s.mean)) return Status::Error(ExpectedMessage("mean", RealText(s.mean)));
  if (!TwoDecimalText(s.sigma)) return Status::Error(ExpectedMessage("sigma", RealText(s.sigma)));
  if (!InRange(s.exponent, kExponentSetting)) {
    return Status::Error(ExpectedMessage("exponent", std::to_string(s.exponent)));
  }
  if (!InRange(s.seed, kSeedSetting)) {
    return Status::Error(ExpectedMessage("seed", std::to_string(s.seed)));
  }
  const FamilySettings families = FamiliesOf(s);
  if (const auto error = CheckFamilySettings(families)) {
    return Status::Error(ExpectedMessage(error->name, FamilyValueText(s, error->name)));
  }
  if (s.distribution == Distribution::kSierpinski && s.dimension == 1) {
    return Status::Error(kSierpinskiDimensionMessage);
  }
  if (s.distribution == Distribution::kParcel) return Status::Ok();
  for (int32_t axis = 0; axis < 3; ++axis) {
    if (s.high[axis] >= s.world[axis]) return Status::Error(kRangeMessage);
  }
  return Status::Ok();
}

GeneratorControls ToControls(const Settings& s) {
  GeneratorControls c;
  c.rgDimension = s.dimension - 1;
  c.spWorldX.value = s.world[0];
  c.spWorldY.value = s.world[1];
  c.spWorldZ.value = s.world[2];
  c.spBoxes.value = s.boxes;
  c.spBoxes.maxValue = BoxCountLimit(s.boxes);
  c.spHighX = s.high[0];
  c.spHighY = s.high[1];
  c.spHighZ = s.high[2];
  c.cbBoxSize = s.variable;
  c.cbVarBoxSize = !s.allowZeroSize;
  const auto kind = static_cast<int32_t>(s.distribution);
  if (IsFamily(kind)) {
    c.family = kind;
  } else {
    c.rbDist = kind;
  }
  c.edMean = TwoDecimalText(s.mean).value_or("");
  c.edSigma = TwoDecimalText(s.sigma).value_or("");
  c.rgExponent = s.exponent - 1;
  c.rbSeedConstant = true;
  c.spSeed = s.seed;
  c.decimalSeparator = ".";
  c.families = FamiliesOf(s);
  return c;
}

Settings FromControls(const GeneratorControls& c) {
  Settings s;
  s.dimension = c.rgDimension + 1;
  const int32_t world[3] = {c.spWorldX.value, c.spWorldY.value, c.spWorldZ.value};
  const int32_t high[3] = {c.spHighX, c.spHighY, c.spHighZ};
  for (int32_t axis = 0; axis < s.dimension && axis < 3; ++axis) {
    s.world[axis] = world[axis];
    s.high[axis] = high[axis];
  }
  s.boxes = c.spBoxes.value;
  s.variable = c.cbBoxSize;
  s.allowZeroSize = !c.cbVarBoxSize;
  s.distribution = static_cast<Distribution>(DistributionKindOf(c));
  // A header prints the mean and sigma with two decimals: the double nearest that text.
  s.mean = ParseReal(c.edMean);
  s.sigma = ParseReal(c.edSigma);
  s.exponent = c.rgExponent + 1;
  s.seed = c.spSeed;
  const FamilySettings& f = c.families;
  s.diagonalFraction = f.diagonalFraction;
  s.diagonalWidth = f.diagonalWidth;
  s.bitProbability = f.bitProbability;
  s.bitDigits = f.bitDigits;
  s.clusters = f.clusters;
  s.clusterSigma = f.clusterSigma;
  s.parcelSplit = f.parcelSplit;
  s.parcelDither = f.parcelDither;
  return s;
}

}  // namespace pelmora
