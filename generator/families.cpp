#include "generator/families.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>

namespace pelmora {

namespace {

// U: one Next31 as a double in [0, 1 - 2^-31], exact.
double UnitDraw(RandomSource& random) {
  return static_cast<double>(random.Next31()) * 0x1p-31;
}

bool InsideUnitCube(const std::array<double, 3>& point, int32_t dimension) {
  for (int32_t axis = 0; axis < dimension; ++axis) {
    if (!(point[axis] >= 0.0 && point[axis] < 1.0)) return false;
  }
  return true;
}

// The corners of the regular simplex in the unit cube: the triangle (0, 0), (1, 0),
// (1/2, sqrt(3)/2), and in 3D the apex (1/2, sqrt(3)/6, sqrt(2/3)) above its centre. Each
// coordinate is one correctly rounded double: sqrt(3) / 2, sqrt(3) / 6 and sqrt(2 / 3), the
// quotient 2 / 3 rounded before the root.
std::array<double, 3> SimplexCorner(int32_t corner) {
  const double root3 = std::sqrt(3.0);
  switch (corner) {
    case 0:
      return {0.0, 0.0, 0.0};
    case 1:
      return {1.0, 0.0, 0.0};
    case 2:
      return {0.5, root3 / 2.0, 0.0};
    default:
      return {0.5, root3 / 6.0, std::sqrt(2.0 / 3.0)};
  }
}

// floor(log2 value) for value >= 1.
int32_t FloorLog2(uint64_t value) {
  return static_cast<int32_t>(std::bit_width(value)) - 1;
}

// ceil(log2 value) for value >= 1.
int32_t CeilLog2(uint64_t value) {
  return value <= 1 ? 0 : static_cast<int32_t>(std::bit_width(value - 1));
}

// Whether a part of these sides holds boxes boxes of at least one unit (see ParcelBoxes).
bool BigEnough(int32_t dimension, const int32_t extent[3], int64_t boxes) {
  if (dimension == 1) return extent[0] >= boxes;
  int32_t room = 0;
  for (int32_t axis = 0; axis < dimension; ++axis) {
    if (extent[axis] < 1) return false;
    room += FloorLog2(static_cast<uint64_t>(extent[axis]));
  }
  return room >= CeilLog2(static_cast<uint64_t>(boxes));
}

// The fewest units along axis that a part of the given other sides needs for boxes boxes.
int64_t UnitsNeeded(int32_t dimension, const int32_t extent[3], int32_t axis, int64_t boxes) {
  if (dimension == 1) return boxes;
  int32_t otherRoom = 0;
  for (int32_t other = 0; other < dimension; ++other) {
    if (other != axis) otherRoom += FloorLog2(static_cast<uint64_t>(extent[other]));
  }
  const int32_t short_ = CeilLog2(static_cast<uint64_t>(boxes)) - otherRoom;
  return short_ <= 0 ? 1 : int64_t{1} << short_;
}

}  // namespace

bool IsFamily(int32_t kind) {
  return kind >= kDiagonal && kind <= kParcel;
}

namespace {

// Each setting with its range, in the order of FamilySettings.
struct SettingRule {
  const char* name;
  const char* accepted;
  bool (*holds)(const FamilySettings&);
};

bool Within(double value, double low, double high) {
  return value >= low && value <= high;
}
bool Positive(double value) {
  return value > 0.0 && std::isfinite(value);
}

constexpr SettingRule kSettingRules[] = {
    {"diagonal-fraction", "a number from 0 to 1",
     [](const FamilySettings& s) { return Within(s.diagonalFraction, 0.0, 1.0); }},
    {"diagonal-width", "a number greater than 0",
     [](const FamilySettings& s) { return Positive(s.diagonalWidth); }},
    {"bit-probability", "a number from 0 to 1",
     [](const FamilySettings& s) { return Within(s.bitProbability, 0.0, 1.0); }},
    {"bit-digits", "a whole number from 1 to 30",
     [](const FamilySettings& s) { return s.bitDigits >= 1 && s.bitDigits <= kMaxBitDigits; }},
    {"clusters", "a whole number from 1 to 100000",
     [](const FamilySettings& s) { return s.clusters >= 1 && s.clusters <= kMaxClusters; }},
    {"cluster-sigma", "a number greater than 0",
     [](const FamilySettings& s) { return Positive(s.clusterSigma); }},
    {"parcel-split", "a number greater than 0 and less than 0.5",
     [](const FamilySettings& s) { return s.parcelSplit > 0.0 && s.parcelSplit < 0.5; }},
    {"parcel-dither", "a number from 0 to 1",
     [](const FamilySettings& s) { return Within(s.parcelDither, 0.0, 1.0); }},
};

constexpr const char* kKindNames[] = {"uniform", "gauss",      "skewed",    "diagonal",
                                      "bit",     "sierpinski", "clustered", "parcel"};

}  // namespace

std::optional<FamilySettingError> CheckFamilySettings(const FamilySettings& settings) {
  for (const SettingRule& rule : kSettingRules) {
    if (!rule.holds(settings)) return FamilySettingError{rule.name, rule.accepted};
  }
  return std::nullopt;
}

std::string_view FamilySettingAccepts(std::string_view name) {
  for (const SettingRule& rule : kSettingRules) {
    if (name == rule.name) return rule.accepted;
  }
  return std::string_view();
}

const char* DistributionKindName(int32_t kind) {
  return kind >= 0 && kind <= kParcel ? kKindNames[kind] : nullptr;
}

std::optional<int32_t> DistributionKindNamed(std::string_view name) {
  for (int32_t kind = 0; kind <= kParcel; ++kind) {
    if (name == kKindNames[kind]) return kind;
  }
  return std::nullopt;
}

std::string FamilyRefusal(int32_t kind, const FamilySettings& settings, int32_t dimension,
                          const int32_t world[3], int64_t boxCount, bool zeroSizeAllowed) {
  if (!IsFamily(kind)) return std::string();
  if (const auto error = CheckFamilySettings(settings)) {
    return "--" + error->name + ": expected " + error->accepted;
  }
  if (kind == kSierpinski && dimension == 1) return kSierpinskiDimensionMessage;
  if (kind == kParcel && !ParcelBoxes::Fits(dimension, world, boxCount, zeroSizeAllowed)) {
    for (int32_t axis = 0; axis < dimension; ++axis) {
      if (world[axis] < 1) return kParcelWorldMessage;
    }
    return ParcelBoxes::TooSmallMessage(dimension, world, boxCount);
  }
  return std::string();
}

std::optional<double> ParseFamilyReal(std::string_view text) {
  size_t i = 0;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0 || i != text.size()) return std::nullopt;
  double value = 0.0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::string FormatFamilyReal(double value) {
  // The longest shortest fixed form of a finite double: 309 digits before the point, or 323
  // zeros and 17 digits after it.
  char buffer[400];
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return error == std::errc() ? std::string(buffer, end) : std::string();
}

PointFamily::PointFamily(int32_t kind, const FamilySettings& settings, int32_t dimension,
                         RandomSource& random)
    : kind_(kind),
      settings_(settings),
      dimension_(dimension),
      bitThreshold_(settings.bitProbability * 0x1p31),
      bitScale_(std::ldexp(1.0, -settings.bitDigits)) {
  if (kind_ == kClustered) {
    centres_.resize(static_cast<size_t>(settings_.clusters));
    for (auto& centre : centres_) {
      for (int32_t axis = 0; axis < dimension_; ++axis) centre[axis] = UnitDraw(random);
    }
  }
}

void PointFamily::DrawAhead(RandomSource& random, PointDraws& draws) const {
  if (kind_ == kDiagonal) {
    draws.t = UnitDraw(random);
    const double c = UnitDraw(random);
    draws.offset = !(c < settings_.diagonalFraction);
    if (draws.offset) draws.polar[0] = DrawPolarPoint(random);
    return;
  }
  draws.centre = random.Below(settings_.clusters);
  for (int32_t axis = 0; axis < dimension_; axis += 2) {
    draws.polar[axis / 2] = DrawPolarPoint(random);
  }
}

bool PointFamily::Finish(const PointDraws& draws, const int32_t world[3], int32_t low[3],
                         std::array<double, 3>& point) const {
  if (kind_ == kDiagonal) {
    double offset = 0.0;
    if (draws.offset) {
      const double d =
          static_cast<double>(PolarDeviates(draws.polar[0])[0]) * (settings_.diagonalWidth / 5.0);
      offset = d / std::sqrt(2.0);
    }
    for (int32_t axis = 0; axis < dimension_; ++axis) {
      point[axis] = axis % 2 == 0 ? draws.t + offset : draws.t - offset;
    }
  } else {
    const auto& centre = centres_[static_cast<size_t>(draws.centre)];
    std::array<float, 2> pair = {0.0f, 0.0f};
    for (int32_t axis = 0; axis < dimension_; ++axis) {
      if (axis % 2 == 0) pair = PolarDeviates(draws.polar[axis / 2]);
      const double z = pair[axis % 2];
      point[axis] = centre[axis] + z * settings_.clusterSigma;
    }
  }
  if (!InsideUnitCube(point, dimension_)) return false;
  for (int32_t axis = 0; axis < dimension_; ++axis)
    low[axis] = UnitToWorld(point[axis], world[axis]);
  return true;
}

bool PointFamily::DrawUnit(RandomSource& random) {
  switch (kind_) {
    case kBit: {
      for (int32_t axis = 0; axis < dimension_; ++axis) {
        uint32_t bits = 0;
        for (int32_t i = 1; i <= settings_.bitDigits; ++i) {
          // U < P, both sides scaled by 2^31 (exact).
          const bool one = static_cast<double>(random.Next31()) < bitThreshold_;
          bits = bits << 1 | (one ? 1u : 0u);
        }
        point_[axis] = static_cast<double>(bits) * bitScale_;  // exact
      }
      return true;
    }
    case kSierpinski: {
      const int32_t corners = dimension_ + 1;
      if (drawn_ < corners) {
        point_ = SimplexCorner(static_cast<int32_t>(drawn_));
      } else {
        const std::array<double, 3> corner = SimplexCorner(random.Below(corners));
        for (int32_t axis = 0; axis < dimension_; ++axis) {
          point_[axis] = (point_[axis] + corner[axis]) / 2.0;
        }
      }
      ++drawn_;
      return true;
    }
    default:
      return false;
  }
}

bool PointFamily::Draw(RandomSource& random, const int32_t world[3], int32_t low[3]) {
  if (DrawsAhead()) {
    PointDraws draws;
    DrawAhead(random, draws);
    return Finish(draws, world, low, point_);
  }
  if (!DrawUnit(random)) return false;
  for (int32_t axis = 0; axis < dimension_; ++axis)
    low[axis] = UnitToWorld(point_[axis], world[axis]);
  return true;
}

ParcelBoxes::ParcelBoxes(const FamilySettings& settings, int32_t dimension, const int32_t world[3],
                         int64_t boxCount, bool zeroSizeAllowed)
    : split_(settings.parcelSplit),
      dither_(settings.parcelDither),
      dimension_(dimension),
      zeroSizeAllowed_(zeroSizeAllowed) {
  stack_.reserve(33);
  Part whole{{1, 1, 1}, {0, 0, 0}, boxCount};
  for (int32_t axis = 0; axis < dimension_; ++axis) whole.extent[axis] = world[axis] - 1;
  stack_.push_back(whole);
}

bool ParcelBoxes::Fits(int32_t dimension, const int32_t world[3], int64_t boxCount,
                       bool zeroSizeAllowed) {
  for (int32_t axis = 0; axis < dimension; ++axis) {
    if (world[axis] < 1) return false;
  }
  if (zeroSizeAllowed) return true;
  int32_t extent[3] = {0, 0, 0};
  for (int32_t axis = 0; axis < dimension; ++axis) extent[axis] = world[axis] - 1;
  return BigEnough(dimension, extent, boxCount);
}

std::string ParcelBoxes::TooSmallMessage(int32_t dimension, const int32_t world[3],
                                         int64_t boxCount) {
  std::string sides;
  for (int32_t axis = 0; axis < dimension; ++axis) {
    if (axis > 0) sides += " x ";
    sides += std::to_string(world[axis] - 1);
  }
  std::string message = "The world is too small for " + std::to_string(boxCount) +
                        " parcel boxes of at least one unit: it spans " + sides + " units";
  if (dimension == 1) return message + ", one for each box.";
  return message +
         ", and parcel needs the product of its sides, each rounded down to a power of two, to "
         "reach the box count rounded up to a power of two.";
}

bool ParcelBoxes::Next(RandomSource& random, int32_t low[3], int32_t high[3]) {
  while (!stack_.empty()) {
    Part part = stack_.back();
    stack_.pop_back();
    if (part.boxes > 1) {
      int32_t axis = 0;
      for (int32_t other = 1; other < dimension_; ++other) {
        if (part.extent[other] > part.extent[axis]) axis = other;
      }
      const int32_t length = part.extent[axis];
      const int64_t lowerBoxes = (part.boxes + 1) / 2;
      const int64_t upperBoxes = part.boxes / 2;
      const double fraction = split_ + (1.0 - 2.0 * split_) * UnitDraw(random);
      int64_t cut = static_cast<int64_t>(std::floor(fraction * length + 0.5));
      if (!zeroSizeAllowed_) {
        const int64_t least = UnitsNeeded(dimension_, part.extent, axis, lowerBoxes);
        const int64_t most = length - UnitsNeeded(dimension_, part.extent, axis, upperBoxes);
        // Never an empty range while the part is big enough; the lower bound wins otherwise.
        cut = std::max(least, std::min(cut, most));
      }
      Part upper = part;
      upper.low[axis] = part.low[axis] + static_cast<int32_t>(cut);
      upper.extent[axis] = length - static_cast<int32_t>(cut);
      upper.boxes = upperBoxes;
      part.extent[axis] = static_cast<int32_t>(cut);
      part.boxes = lowerBoxes;
      stack_.push_back(upper);
      stack_.push_back(part);
      continue;
    }
    for (int32_t axis = 0; axis < dimension_; ++axis) {
      int32_t extent = part.extent[axis];
      if (dither_ > 0.0) {
        const double shrink = std::floor(dither_ * UnitDraw(random) * extent);
        extent -= static_cast<int32_t>(shrink);
      }
      low[axis] = part.low[axis];
      high[axis] = part.low[axis] + extent;
    }
    return true;
  }
  return false;
}

}  // namespace pelmora
