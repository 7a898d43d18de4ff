#include "generator/families.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace pelmora {
namespace {

using Corner = std::array<int32_t, 3>;

constexpr int32_t kWorld1000[3] = {1000, 1000, 1000};

// The first count accepted low corners of a point family after Seed(seed); refusals skipped.
std::vector<Corner> FirstCorners(int32_t kind, const FamilySettings& settings, int32_t dimension,
                                 const int32_t world[3], int count, uint32_t seed = 1) {
  RandomSource random(seed);
  PointFamily family(kind, settings, dimension, random);
  std::vector<Corner> corners;
  while (static_cast<int>(corners.size()) < count) {
    Corner low = {0, 0, 0};
    if (family.Draw(random, world, low.data())) corners.push_back(low);
  }
  return corners;
}

// Exact low corners after Seed(1), default settings, world 1000 on every axis. The values were
// checked against an independent reading of the laws (double arithmetic in Python).
TEST(FamiliesTest, FirstCornersAfterSeedOne) {
  struct Row {
    int32_t kind;
    int32_t dimension;
    std::vector<Corner> expected;
  };
  const Row rows[] = {
      // t = 1410184549 / 2^31 -> 657, then c = 0.31 < 0.5: on the diagonal.
      {kDiagonal, 2, {{657, 657, 0}, {893, 893, 0}, {78, 78, 0}, {975, 975, 0}, {788, 785, 0}}},
      {kDiagonal,
       3,
       {{657, 657, 657}, {893, 893, 893}, {78, 78, 78}, {975, 975, 975}, {788, 785, 788}}},
      {kBit, 2, {{47, 259, 0}, {501, 32, 0}, {16, 1, 0}, {40, 63, 0}, {1, 251, 0}}},
      {kBit, 3, {{47, 259, 501}, {32, 16, 1}, {40, 63, 1}}},
      // The corners in order, then midpoints: (1/2 + 1, sqrt(3)/2 + 0) / 2 ...
      {kSierpinski, 2, {{1, 1, 0}, {1000, 1, 0}, {501, 867, 0}, {751, 434, 0}, {376, 217, 0}}},
      {kSierpinski, 3, {{1, 1, 1}, {1000, 1, 1}, {501, 867, 1}, {501, 289, 817}, {751, 145, 409}}},
      {kClustered, 2, {{892, 275, 0}, {408, 961, 0}, {368, 83, 0}, {866, 271, 0}, {793, 698, 0}}},
      {kClustered, 3, {{976, 460, 789}, {674, 300, 906}, {651, 492, 72}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("kind " + std::to_string(row.kind) + ", " + std::to_string(row.dimension) + "D");
    EXPECT_EQ(FirstCorners(row.kind, FamilySettings(), row.dimension, kWorld1000,
                           static_cast<int>(row.expected.size())),
              row.expected);
  }
}

TEST(FamiliesTest, UnitToWorldMapsTheHalfOpenUnitIntervalOntoOneToSize) {
  EXPECT_EQ(UnitToWorld(0.0, 700), 1);
  EXPECT_EQ(UnitToWorld(0.5, 700), 351);
  EXPECT_EQ(UnitToWorld(std::nextafter(1.0, 0.0), 700), 700);
  EXPECT_EQ(UnitToWorld(std::nextafter(1.0, 0.0), 99999), 99999);
  EXPECT_EQ(UnitToWorld(1.0 - 0x1p-31, 100000), 100000);
  EXPECT_EQ(UnitToWorld(1.0, 700), 700);  // only the Sierpinski simplex reaches u = 1
  EXPECT_EQ(UnitToWorld(0.3, 1), 1);
}

// On-diagonal points per attempt follow Binomial(n, F) (c < F for one unit draw c), and the
// others spread across the diagonal with deviation B / 5: d = (x - y) / sqrt(2) in 2D.
TEST(FamiliesTest, DiagonalShareIsBinomialAndTheRestSpreadByWidth) {
  for (const double fraction : {0.5, 0.1, 0.9}) {
    SCOPED_TRACE("F = " + std::to_string(fraction));
    FamilySettings settings;
    settings.diagonalFraction = fraction;
    settings.diagonalWidth = 0.2;
    RandomSource random(7);
    PointFamily family(kDiagonal, settings, 2, random);
    const int attempts = 100000;
    int onDiagonal = 0;
    double sumSquares = 0.0;
    int off = 0;
    for (int i = 0; i < attempts; ++i) {
      int32_t low[3];
      if (!family.Draw(random, kWorld1000, low)) continue;
      const auto& p = family.unitPoint();
      if (p[0] == p[1]) {
        ++onDiagonal;
      } else {
        const double d = (p[0] - p[1]) / std::sqrt(2.0);
        sumSquares += d * d;
        ++off;
      }
    }
    const double mean = attempts * fraction;
    const double sd = std::sqrt(attempts * fraction * (1.0 - fraction));
    EXPECT_NEAR(onDiagonal, mean, 5.0 * sd);
    // Deviation B / 5 = 0.04; points refused near the corners trim the tails a little.
    EXPECT_NEAR(std::sqrt(sumSquares / off), 0.04, 0.04 * 0.03);
  }
}

// Every coordinate lies on the lattice of 2^D values, and each bit is 1 with probability P.
TEST(FamiliesTest, BitCoordinatesLieOnTheLatticeWithBitFrequencyP) {
  for (const auto& [probability, digits] :
       {std::pair{0.2, 10}, std::pair{0.5, 4}, std::pair{0.05, 30}}) {
    SCOPED_TRACE("P = " + std::to_string(probability) + ", D = " + std::to_string(digits));
    FamilySettings settings;
    settings.bitProbability = probability;
    settings.bitDigits = digits;
    RandomSource random(3);
    PointFamily family(kBit, settings, 3, random);
    const int points = 20000;
    std::vector<int> ones(static_cast<size_t>(digits), 0);
    for (int i = 0; i < points; ++i) {
      int32_t low[3];
      ASSERT_TRUE(family.Draw(random, kWorld1000, low));
      for (int axis = 0; axis < 3; ++axis) {
        const double scaled = std::ldexp(family.unitPoint()[axis], digits);
        ASSERT_EQ(scaled, std::floor(scaled));
        const auto value = static_cast<uint32_t>(scaled);
        for (int i = 1; i <= digits; ++i) ones[i - 1] += (value >> (digits - i)) & 1u;
      }
    }
    const double n = 3.0 * points;
    for (int i = 0; i < digits; ++i) {
      EXPECT_NEAR(ones[i], n * probability, 5.0 * std::sqrt(n * probability * (1 - probability)))
          << "bit " << i + 1;
    }
  }
  // In a world of 2^D units the world coordinate minus 1 is the lattice index itself.
  const int32_t world[3] = {1024, 1024, 1024};
  for (const Corner& low : FirstCorners(kBit, FamilySettings(), 2, world, 50)) {
    EXPECT_GE(low[0], 1);
    EXPECT_LE(low[0], 1024);
  }
}

// Barycentric coordinates of p in the simplex of the given corners (2D triangle, 3D tetrahedron).
std::array<double, 4> Barycentric(const std::array<double, 3>& p, int32_t dimension) {
  const double h = std::sqrt(3.0) / 2.0;
  if (dimension == 2) {
    const double l2 = p[1] / h;
    const double l1 = p[0] - l2 / 2.0;
    return {1.0 - l1 - l2, l1, l2, 0.0};
  }
  const double apexHeight = std::sqrt(2.0 / 3.0);
  const double l3 = p[2] / apexHeight;
  // Take the apex's share out, then read the rest in the base triangle.
  const double x = p[0] - l3 * 0.5;
  const double y = p[1] - l3 * std::sqrt(3.0) / 6.0;
  const double l2 = y / h;
  const double l1 = x - l2 / 2.0;
  return {1.0 - l1 - l2 - l3, l1, l2, l3};
}

// The chaos game never enters the middle triangle (2D) or octahedron (3D), where every
// barycentric coordinate is below 1/2; allow one world unit for the rounding to the world.
// A uniform point of the simplex lies there with probability 1/4 (2D) or 1/2 (3D).
TEST(FamiliesTest, SierpinskiPointsStayOutOfTheRemovedMiddle) {
  for (const int32_t dimension : {2, 3}) {
    SCOPED_TRACE(std::to_string(dimension) + "D");
    const int32_t size = 1000;
    const int32_t world[3] = {size, size, size};
    const double height = dimension == 2 ? std::sqrt(3.0) / 2.0 : std::sqrt(2.0 / 3.0);
    const double unit = 1.0 / size;
    int inside = 0;
    int outsideSimplex = 0;
    const auto corners = FirstCorners(kSierpinski, FamilySettings(), dimension, world, 100000, 5);
    for (const Corner& c : corners) {
      std::array<double, 3> p = {0.0, 0.0, 0.0};
      for (int axis = 0; axis < dimension; ++axis) p[axis] = (c[axis] - 0.5) / size;
      const auto l = Barycentric(p, dimension);
      double depth = 1e9;  // how far inside the middle, in unit-cube lengths
      double least = 1e9;
      for (int i = 0; i <= dimension; ++i) {
        depth = std::min(depth, (0.5 - l[i]) * height);
        least = std::min(least, l[i] * height);
      }
      if (depth > unit) ++inside;
      if (least < -unit) ++outsideSimplex;
    }
    EXPECT_EQ(inside, 0);
    EXPECT_EQ(outsideSimplex, 0);
  }
}

// Each point lies near its centre: in 2D the distance to it has the Rayleigh law, mean
// S sqrt(pi / 2). With the centres far apart and away from the borders (checked), the nearest
// centre is the point's own. Uniform points lie far further from the nearest centre.
TEST(FamiliesTest, ClusteredPointsLieCloserToTheirCentresThanUniformPoints) {
  FamilySettings settings;
  settings.clusters = 5;
  settings.clusterSigma = 0.005;
  const uint32_t seed = 4;
  RandomSource random(seed);
  // The centres are the first draws after the seed: one Next31 / 2^31 per coordinate.
  RandomSource copy(seed);
  std::vector<std::array<double, 2>> centres(5);
  for (auto& centre : centres) {
    for (double& v : centre) v = copy.Next31() * 0x1p-31;
  }
  for (size_t i = 0; i < centres.size(); ++i) {
    for (const double v : centres[i]) ASSERT_TRUE(v > 0.05 && v < 0.95) << "precondition";
    for (size_t j = 0; j < i; ++j) {
      ASSERT_GT(std::hypot(centres[i][0] - centres[j][0], centres[i][1] - centres[j][1]), 0.1)
          << "precondition";
    }
  }
  const auto nearest = [&](double x, double y) {
    double best = 2.0;
    for (const auto& c : centres) best = std::min(best, std::hypot(x - c[0], y - c[1]));
    return best;
  };
  PointFamily family(kClustered, settings, 2, random);
  const int points = 20000;
  double sum = 0.0;
  double uniformSum = 0.0;
  RandomSource uniform(99);
  for (int i = 0; i < points;) {
    int32_t low[3];
    if (!family.Draw(random, kWorld1000, low)) continue;
    sum += nearest(family.unitPoint()[0], family.unitPoint()[1]);
    uniformSum += nearest(uniform.Next31() * 0x1p-31, uniform.Next31() * 0x1p-31);
    ++i;
  }
  const double rayleighMean = 0.005 * std::sqrt(std::acos(-1.0) / 2.0);
  const double rayleighSd = 0.005 * std::sqrt((4.0 - std::acos(-1.0)) / 2.0);
  EXPECT_NEAR(sum / points, rayleighMean, 5.0 * rayleighSd / std::sqrt(points));
  EXPECT_GT(uniformSum / points, 20.0 * rayleighMean);
}

TEST(FamiliesTest, ClusteredAndDiagonalRefuseOnlyPointsOutsideTheUnitCube) {
  FamilySettings settings;
  settings.clusterSigma = 0.5;  // most points fall outside
  settings.diagonalFraction = 0.0;
  settings.diagonalWidth = 5.0;
  for (const int32_t kind : {kClustered, kDiagonal}) {
    RandomSource random(2);
    PointFamily family(kind, settings, 3, random);
    int refused = 0;
    for (int i = 0; i < 2000; ++i) {
      int32_t low[3] = {-7, -7, -7};
      if (family.Draw(random, kWorld1000, low)) {
        for (int axis = 0; axis < 3; ++axis) {
          EXPECT_GE(family.unitPoint()[axis], 0.0);
          EXPECT_LT(family.unitPoint()[axis], 1.0);
          EXPECT_EQ(low[axis], UnitToWorld(family.unitPoint()[axis], 1000));
        }
      } else {
        ++refused;
        EXPECT_EQ(low[0], -7);  // untouched
      }
    }
    EXPECT_GT(refused, 500);
  }
}

struct Box {
  Corner low;
  Corner high;
};

std::vector<Box> ParcelRun(const FamilySettings& settings, int32_t dimension,
                           const int32_t world[3], int64_t count, bool zeroSize,
                           uint32_t seed = 1) {
  RandomSource random(seed);
  ParcelBoxes parcel(settings, dimension, world, count, zeroSize);
  std::vector<Box> boxes;
  Box box{{0, 0, 0}, {0, 0, 0}};
  while (parcel.Next(random, box.low.data(), box.high.data())) boxes.push_back(box);
  return boxes;
}

int64_t Volume(const Box& b, int32_t dimension) {
  int64_t v = 1;
  for (int axis = 0; axis < dimension; ++axis) v *= b.high[axis] - b.low[axis];
  return v;
}

bool Overlap(const Box& a, const Box& b, int32_t dimension) {
  for (int axis = 0; axis < dimension; ++axis) {
    if (a.high[axis] <= b.low[axis] || b.high[axis] <= a.low[axis]) return false;
  }
  return true;
}

TEST(FamiliesTest, ParcelFirstBoxesAfterSeedOne) {
  const int32_t world[3] = {1000, 800, 50};
  const std::vector<std::pair<Corner, Corner>> expected2D = {{{1, 1, 0}, {414, 307, 0}},
                                                             {{437, 1, 0}, {592, 251, 0}},
                                                             {{1, 311, 0}, {542, 724, 0}},
                                                             {{594, 1, 0}, {951, 491, 0}},
                                                             {{594, 493, 0}, {953, 781, 0}}};
  const auto boxes = ParcelRun(FamilySettings(), 2, world, 5, false);
  ASSERT_EQ(boxes.size(), 5u);
  for (size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i].low, expected2D[i].first) << i;
    EXPECT_EQ(boxes[i].high, expected2D[i].second) << i;
  }
  const auto boxes3D = ParcelRun(FamilySettings(), 3, world, 5, false);
  EXPECT_EQ(boxes3D[1].low, (Corner{437, 1, 1}));
  EXPECT_EQ(boxes3D[1].high, (Corner{564, 284, 43}));
  const auto boxes1D = ParcelRun(FamilySettings(), 1, world, 5, false);
  EXPECT_EQ(boxes1D[4].low, (Corner{913, 0, 0}));
  EXPECT_EQ(boxes1D[4].high, (Corner{987, 0, 0}));
}

// Without dither the boxes tile the world: pairwise disjoint, and their volumes add up to the
// world's. With dither each box shrinks inside its tile, low corner kept.
TEST(FamiliesTest, ParcelBoxesTileTheWorldAndDitherShrinksThemInside) {
  struct Row {
    int32_t dimension;
    int32_t world[3];
    int64_t count;
    double split;
  };
  const Row rows[] = {
      {1, {1001, 1, 1}, 1000, 0.2},  // every box exactly one unit
      {1, {5000, 1, 1}, 777, 0.45},  {2, {300, 200, 1}, 1500, 0.2},
      {2, {17, 17, 1}, 256, 0.1},    // 16 x 16 units, 256 boxes: every box one unit square
      {2, {1000, 3, 1}, 1000, 0.3},  // a thin strip
      {3, {60, 50, 40}, 2000, 0.25}, {3, {9, 9, 9}, 512, 0.2},  // 8^3 units, 512 unit cubes
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.dimension) + "D, " + std::to_string(row.count) + " boxes");
    ASSERT_TRUE(ParcelBoxes::Fits(row.dimension, row.world, row.count, false));
    FamilySettings settings;
    settings.parcelSplit = row.split;
    settings.parcelDither = 0.0;
    const auto tiles = ParcelRun(settings, row.dimension, row.world, row.count, false);
    ASSERT_EQ(static_cast<int64_t>(tiles.size()), row.count);
    int64_t volume = 0;
    for (size_t i = 0; i < tiles.size(); ++i) {
      volume += Volume(tiles[i], row.dimension);
      for (int axis = 0; axis < row.dimension; ++axis) {
        ASSERT_GE(tiles[i].low[axis], 1);
        ASSERT_GT(tiles[i].high[axis], tiles[i].low[axis]);
        ASSERT_LE(tiles[i].high[axis], row.world[axis]);
      }
      for (size_t j = 0; j < i; ++j) ASSERT_FALSE(Overlap(tiles[i], tiles[j], row.dimension));
    }
    int64_t worldVolume = 1;
    for (int axis = 0; axis < row.dimension; ++axis) worldVolume *= row.world[axis] - 1;
    EXPECT_EQ(volume, worldVolume);

    // With dither the boxes shrink inside their tiles (which differ from the ones above: the
    // dither draws come between the cuts), still disjoint and at least one unit.
    settings.parcelDither = 1.0;
    const auto dithered = ParcelRun(settings, row.dimension, row.world, row.count, false);
    ASSERT_EQ(dithered.size(), tiles.size());
    int64_t ditheredVolume = 0;
    for (size_t i = 0; i < dithered.size(); ++i) {
      ditheredVolume += Volume(dithered[i], row.dimension);
      for (int axis = 0; axis < row.dimension; ++axis) {
        ASSERT_GT(dithered[i].high[axis], dithered[i].low[axis]);
      }
      for (size_t j = 0; j < i; ++j) ASSERT_FALSE(Overlap(dithered[i], dithered[j], row.dimension));
    }
    if (volume > row.count) {
      EXPECT_LT(ditheredVolume, worldVolume);
    } else {
      EXPECT_EQ(ditheredVolume, worldVolume);  // unit boxes cannot shrink
    }
  }
}

// Zero-size boxes allowed: any world holds any count; parts may be 0 units thick, and the
// boxes still never overlap and cover the world.
TEST(FamiliesTest, ParcelWithZeroSizeBoxesFitsAnyWorld) {
  const int32_t world[3] = {3, 2, 1};
  ASSERT_TRUE(ParcelBoxes::Fits(2, world, 1000, true));
  FamilySettings settings;
  settings.parcelDither = 0.0;
  const auto boxes = ParcelRun(settings, 2, world, 1000, true);
  ASSERT_EQ(boxes.size(), 1000u);
  int64_t area = 0;
  for (const Box& b : boxes) {
    EXPECT_GE(b.high[0], b.low[0]);
    EXPECT_GE(b.high[1], b.low[1]);
    area += Volume(b, 2);
  }
  EXPECT_EQ(area, 2 * 1);
}

// The world is big enough exactly as documented: 1D one unit per box; 2D and 3D the product
// of the sides rounded down to powers of two against the count rounded up to one.
TEST(FamiliesTest, ParcelRefusesAWorldTooSmall) {
  struct Row {
    int32_t dimension;
    int32_t world[3];
    int64_t count;
    bool fits;
  };
  const Row rows[] = {
      {1, {101, 1, 1}, 100, true}, {1, {101, 1, 1}, 101, false},
      {1, {1, 1, 1}, 1, false},    {2, {9, 9, 1}, 64, true},
      {2, {9, 9, 1}, 65, false},   {2, {10, 10, 1}, 65, false},  // 9 x 9 units round to 8 x 8
      {2, {2, 2, 1}, 1, true},     {2, {2, 5, 1}, 4, true},
      {2, {2, 5, 1}, 5, false},    {3, {100000, 100000, 100000}, 2147483647, true},
      {3, {3, 3, 2}, 4, true},     {3, {3, 3, 2}, 5, false},
      {3, {3, 3, 3}, 8, true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ParcelBoxes::Fits(row.dimension, row.world, row.count, false), row.fits)
        << row.dimension << "D " << row.world[0] << "," << row.world[1] << "," << row.world[2]
        << " count " << row.count;
  }
  // A world size below 1 on an axis the dimension uses (a window field may hold one) fits
  // nothing, even with zero-size boxes; unused axes do not count.
  const int32_t negative[3] = {427, 90641, -17};
  const int32_t empty[3] = {0, 5, 1};
  const int32_t line[3] = {4, -5, 0};
  for (const bool zeroSizeAllowed : {false, true}) {
    EXPECT_FALSE(ParcelBoxes::Fits(3, negative, 7, zeroSizeAllowed));
    EXPECT_FALSE(ParcelBoxes::Fits(2, empty, 1, zeroSizeAllowed));
    EXPECT_TRUE(ParcelBoxes::Fits(1, line, 3, zeroSizeAllowed));
    EXPECT_EQ(FamilyRefusal(kParcel, FamilySettings{}, 3, negative, 7, zeroSizeAllowed),
              kParcelWorldMessage);
  }
  const int32_t small[3] = {9, 9, 1};
  EXPECT_EQ(ParcelBoxes::TooSmallMessage(2, small, 65),
            "The world is too small for 65 parcel boxes of at least one unit: it spans 8 x 8 "
            "units, and parcel needs the product of its sides, each rounded down to a power of "
            "two, to reach the box count rounded up to a power of two.");
}

// Worlds just big enough (the largest count that fits), of many shapes and seeds: the cuts
// always find room, and every box is at least one unit on every axis.
TEST(FamiliesTest, ParcelNeverRunsOutOfRoomInWorldsThatFit) {
  RandomSource shapes(11);
  for (int trial = 0; trial < 400; ++trial) {
    const int32_t dimension = 2 + trial % 2;
    int32_t world[3] = {1, 1, 1};
    for (int axis = 0; axis < dimension; ++axis) world[axis] = 2 + shapes.Below(40);
    int64_t count = 1;
    while (ParcelBoxes::Fits(dimension, world, count + 1, false)) ++count;
    FamilySettings settings;
    settings.parcelSplit = 0.01 + 0.48 * shapes.Below(100) / 100.0;
    const auto boxes =
        ParcelRun(settings, dimension, world, count, false, static_cast<uint32_t>(trial + 1));
    ASSERT_EQ(static_cast<int64_t>(boxes.size()), count);
    for (const Box& b : boxes) {
      for (int axis = 0; axis < dimension; ++axis) {
        ASSERT_GT(b.high[axis], b.low[axis]) << "trial " << trial;
        ASSERT_LE(b.high[axis], world[axis]) << "trial " << trial;
      }
    }
  }
}

TEST(FamiliesTest, ParcelKeepsOnlyTheDepthOfItsTreeInMemory) {
  const int32_t world[3] = {100000, 100000, 1};
  RandomSource random(1);
  FamilySettings settings;
  ParcelBoxes parcel(settings, 2, world, 1000000, false);
  int32_t low[3];
  int32_t high[3];
  int64_t count = 0;
  size_t deepest = 0;
  while (parcel.Next(random, low, high)) {
    ++count;
    deepest = std::max(deepest, parcel.pendingParts());
  }
  EXPECT_EQ(count, 1000000);
  EXPECT_LE(deepest, 21u);  // ceil(log2 10^6) = 20 levels, one pending part per level
}

TEST(FamiliesTest, SettingsOutsideTheirRangesNameTheSetting) {
  struct Row {
    void (*change)(FamilySettings&);
    const char* name;
  };
  const Row rows[] = {
      {[](FamilySettings& s) { s.diagonalFraction = 1.01; }, "diagonal-fraction"},
      {[](FamilySettings& s) { s.diagonalFraction = -0.0001; }, "diagonal-fraction"},
      {[](FamilySettings& s) { s.diagonalWidth = 0.0; }, "diagonal-width"},
      {[](FamilySettings& s) { s.diagonalWidth = INFINITY; }, "diagonal-width"},
      {[](FamilySettings& s) { s.bitProbability = 2.0; }, "bit-probability"},
      {[](FamilySettings& s) { s.bitDigits = 0; }, "bit-digits"},
      {[](FamilySettings& s) { s.bitDigits = 31; }, "bit-digits"},
      {[](FamilySettings& s) { s.clusters = 0; }, "clusters"},
      {[](FamilySettings& s) { s.clusters = 100001; }, "clusters"},
      {[](FamilySettings& s) { s.clusterSigma = NAN; }, "cluster-sigma"},
      {[](FamilySettings& s) { s.parcelSplit = 0.0; }, "parcel-split"},
      {[](FamilySettings& s) { s.parcelSplit = 0.5; }, "parcel-split"},
      {[](FamilySettings& s) { s.parcelDither = 1.5; }, "parcel-dither"},
  };
  EXPECT_FALSE(CheckFamilySettings(FamilySettings()).has_value());
  for (const Row& row : rows) {
    FamilySettings settings;
    row.change(settings);
    const auto error = CheckFamilySettings(settings);
    ASSERT_TRUE(error.has_value()) << row.name;
    EXPECT_EQ(error->name, row.name);
  }
  FamilySettings edges;
  edges.diagonalFraction = 1.0;
  edges.bitProbability = 0.0;
  edges.bitDigits = 30;
  edges.clusters = 100000;
  edges.parcelSplit = 0.4999;
  edges.parcelDither = 1.0;
  EXPECT_FALSE(CheckFamilySettings(edges).has_value());
}

TEST(FamiliesTest, RealSettingsReadAndWriteBackExactly) {
  EXPECT_EQ(ParseFamilyReal("0.25"), 0.25);
  EXPECT_EQ(ParseFamilyReal("3"), 3.0);
  EXPECT_EQ(ParseFamilyReal(".5"), 0.5);
  EXPECT_EQ(ParseFamilyReal("1."), 1.0);
  for (const char* bad : {"", ".", "-0.5", "+1", "1e3", "0x1", "inf", "nan", "1,5", " 1", "1 "}) {
    EXPECT_FALSE(ParseFamilyReal(bad).has_value()) << "'" << bad << "'";
  }
  EXPECT_FALSE(ParseFamilyReal(std::string(400, '9')).has_value());  // not finite as a double
  EXPECT_EQ(FormatFamilyReal(0.1), "0.1");
  EXPECT_EQ(FormatFamilyReal(0.02), "0.02");
  EXPECT_EQ(FormatFamilyReal(5.0), "5");
  for (const double value : {0.1, 0.2, 1.0 / 3.0, 0.123456789012345678, 1e-300, 4.9e-324, 1e308,
                             0x1p-31, 0.49999999999999994}) {
    EXPECT_EQ(ParseFamilyReal(FormatFamilyReal(value)), value) << FormatFamilyReal(value);
  }
}

}  // namespace
}  // namespace pelmora
