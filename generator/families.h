// The distribution families of spatial benchmarks: diagonal, bit, sierpinski and clustered
// points, and parcel boxes. They belong to pelmora-gen and the library; the window keeps its three
// distributions.
//
// Precision. Every value a family computes is an IEEE 754 double, formed by +, -, x, / and
// square root, each correctly rounded to nearest (ties to even), and by integer arithmetic; the
// build forbids fused multiply-adds. So a family's boxes are the same on every platform. Normal
// deviates are the polar method's of GaussianInt (GaussianDeviate, GaussianPair).
//
// Unit draws. U is one Next31 scaled by 2^-31: a double in [0, 1 - 2^-31], exact.
//
// From the unit cube to the world. A point family works in the unit cube and maps each
// coordinate u of its point to the world coordinate UnitToWorld(u, size) = 1 + floor(u x size),
// the product rounded to double: 1..size for every u in [0, 1) (the rounded product of a double
// below 1 and a whole number below 2^53 stays below that number). u = 1, which only the upper
// faces of the Sierpinski simplex reach, gives size. The box extents then follow the position
// exactly as for the other distributions.
//
// Draw orders (part of the file format: another order makes other boxes from the same seed).
// A point's draws come first in an attempt; the extents of a variable-size box follow them.
//  diagonal:   t = U; c = U; the point is on the diagonal when c < F. Otherwise one deviate z
//              follows: d = z x (B / 5), o = d / sqrt(2), the point t + o on the first and third
//              axes and t - o on the second. A point outside [0, 1) on any axis is refused.
//  bit:        for each axis x, y, z of the dimension, for i = 1..D: c = U, bit i is 1 when
//              c < P; the coordinate is the sum of bit i x 2^-i (exact).
//  sierpinski: the k-th point (k from 0) is corner k of the simplex for k < corners; later, one
//              Below(corners) chooses a corner and the point becomes (previous + corner) / 2 on
//              every axis. Points are counted per attempt, so a refused box still moves the
//              game on. Never refused by the family.
//  clustered:  before the first point, K centres, each U on x, y, z of the dimension. A point:
//              one Below(K) chooses a centre, then deviates z for x, y, z in order, the
//              coordinate centre + z x S: both deviates of one GaussianPair serve x and y, a
//              second pair z (its other deviate unused), one pair in 1D. A point outside [0, 1)
//              on any axis is refused.
//  parcel:     see ParcelBoxes.
// A refused point is a refused attempt of the run: the next attempt draws a new point.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "generator/distributions.h"
#include "generator/random_source.h"

namespace pelmora {

// The parameters of the families, with the command line's defaults. Reals are doubles, read
// from decimal text and written back in their shortest exact form.
struct FamilySettings {
  double diagonalFraction = 0.5;  // F, 0..1: the share of points exactly on the diagonal
  double diagonalWidth = 0.1;     // B, > 0: the others lie within about B of it
  double bitProbability = 0.2;    // P, 0..1: the probability of each bit being 1
  int32_t bitDigits = 10;         // D, 1..30: bits per coordinate
  int32_t clusters = 10;          // K, 1..100000
  double clusterSigma = 0.02;     // S, > 0: the deviation around a centre, per axis
  double parcelSplit = 0.2;       // S, strictly between 0 and 0.5: cuts fall in [S, 1 - S]
  double parcelDither = 0.2;      // D, 0..1: each side shrinks by a fraction in [0, D)

  friend bool operator==(const FamilySettings&, const FamilySettings&) = default;
};

inline constexpr int32_t kMaxBitDigits = 30;
inline constexpr int32_t kMaxClusters = 100000;

// Whether kind is one of the families of this unit (diagonal to parcel).
bool IsFamily(int32_t kind);

// A setting outside its range: its name as the command line spells it (without dashes) and
// what it accepts, such as {"bit-digits", "a whole number from 1 to 30"}.
struct FamilySettingError {
  std::string name;
  std::string accepted;
};

// The first setting outside its range, in the order of FamilySettings; none when all are good.
// Every setting is checked, whatever the family (the defaults are good).
std::optional<FamilySettingError> CheckFamilySettings(const FamilySettings& settings);

// What the setting of that name accepts ("a number from 0 to 1"); empty for an unknown name.
std::string_view FamilySettingAccepts(std::string_view name);

// Why sierpinski refuses one dimension (pelmora-gen's and the library's message).
inline constexpr const char* kSierpinskiDimensionMessage =
    "--distribution sierpinski: the chaos game needs a plane or space, so --dimension 2 or 3 "
    "(got 1)";

// Why parcel refuses a world size below 1 on an axis it cuts (a window field can hold one).
inline constexpr const char* kParcelWorldMessage =
    "Parcel boxes cut up the world: every world size the dimension uses must be at least 1.";

// Every distribution kind by the name pelmora-gen and the library give it: "uniform", "gauss",
// "skewed", "diagonal", "bit", "sierpinski", "clustered", "parcel"; null for no kind.
const char* DistributionKindName(int32_t kind);
std::optional<int32_t> DistributionKindNamed(std::string_view name);

// A real setting as text: digits with an optional full stop and digits ("0.25", "3", "0.5"),
// nothing else; none when the text is not such a number or is not finite as a double. The
// value is the double nearest to the decimal.
std::optional<double> ParseFamilyReal(std::string_view text);

// The shortest decimal (no exponent) that ParseFamilyReal reads back as exactly value.
// REQUIRES: value finite and >= 0.
std::string FormatFamilyReal(double value);

// Why a run of this kind cannot go ahead, before anything is written: a family setting out of
// its range ("--clusters: expected a whole number from 1 to 100000, got '0'"), sierpinski in
// 1D, or a world too small for boxCount parcel boxes; empty when it can (and for kinds 0..2).
std::string FamilyRefusal(int32_t kind, const FamilySettings& settings, int32_t dimension,
                          const int32_t world[3], int64_t boxCount, bool zeroSizeAllowed);

// 1 + floor(u x size), the product rounded to double; size for u >= 1. REQUIRES: u >= 0,
// size >= 1.
inline int32_t UnitToWorld(double u, int32_t size) {
  if (u >= 1.0) return size;
  // The product lies in [0, size): truncation is its floor.
  return 1 + static_cast<int32_t>(u * static_cast<double>(size));
}

// The draws of one point of diagonal or clustered, made ahead of its arithmetic (which draws
// nothing): PointFamily::DrawAhead fills it, PointFamily::Finish turns it into the point.
struct PointDraws {
  double t = 0.0;       // diagonal: the position along the diagonal
  bool offset = false;  // diagonal: off the diagonal, by the deviate of polar[0]
  int32_t centre = 0;   // clustered: the centre chosen
  PolarPoint polar[2];  // clustered: x and y from polar[0], z from polar[1]
};

// The low corners of a point family (diagonal, bit, sierpinski, clustered).
class PointFamily {
 public:
  // Makes the draws the family makes before its first point (the clustered centres) from
  // random, which the run has just seeded. REQUIRES: IsFamily(kind), kind != kParcel, settings
  // pass CheckFamilySettings, dimension 1..3 (2..3 for sierpinski).
  PointFamily(int32_t kind, const FamilySettings& settings, int32_t dimension,
              RandomSource& random);

  // Draws one point and writes its world coordinates into low[0..dimension-1] (world[axis] is
  // the world size of that axis, >= 1). Returns false, leaving low as it was, when the point
  // lies outside the unit cube: a refused attempt.
  bool Draw(RandomSource& random, const int32_t world[3], int32_t low[3]);

  // Whether the family's points can be drawn ahead (diagonal and clustered, whose arithmetic is
  // costly): Draw is then DrawAhead followed by Finish.
  bool DrawsAhead() const { return kind_ == kDiagonal || kind_ == kClustered; }
  // The draws of one point, in the family's order. REQUIRES: DrawsAhead().
  void DrawAhead(RandomSource& random, PointDraws& draws) const;
  // The point of those draws, in the unit cube and in the world, as Draw gives it; draws
  // nothing and changes nothing, so points may be finished on any thread.
  bool Finish(const PointDraws& draws, const int32_t world[3], int32_t low[3],
              std::array<double, 3>& point) const;

  // The point of the last Draw in the unit cube (tests measure the law on it).
  const std::array<double, 3>& unitPoint() const { return point_; }

 private:
  bool DrawUnit(RandomSource& random);

  int32_t kind_;
  FamilySettings settings_;
  int32_t dimension_;
  std::array<double, 3> point_ = {0.0, 0.0, 0.0};
  int64_t drawn_ = 0;                           // sierpinski: points made so far
  std::vector<std::array<double, 3>> centres_;  // clustered
  double bitThreshold_ = 0.0;                   // bit: U < P exactly when Next31 < P x 2^31
  double bitScale_ = 0.0;                       // bit: 2^-D
};

// The parcel family: the world cut into exactly n boxes by a balanced binary tree, produced
// depth first, lower part first, with memory proportional to the depth of the tree (at most
// 33 pending parts), not to n.
//
// A part with m > 1 boxes to make is cut across its longest side L (in whole units; the first
// such axis on a tie) into a lower part of ceil(m / 2) boxes and an upper part of floor(m / 2):
// f = S + (1 - 2S) x U, the cut k = floor(f x L + 0.5) units from its low end, each step rounded
// to double. Every box thus lies at depth ceil(log2 n) or one less. Without zero-size boxes the
// cut is then moved, as little as needed, into the range that keeps each part big enough for
// its boxes (below); with them it stays where it fell and parts may be 0 units thick.
// A part with one box is a box: with D > 0 it shrinks by floor(D x U x side) units on each axis
// in order x, y, z of the dimension (D x U first, then x side, each rounded to double), keeping
// its low corner; without dither its box is the part itself.
// Draw order: one U per cut when its part is reached, then the dither draws of each box when
// it is reached; so the draws interleave in depth-first order.
//
// Big enough. The world spans 1..size on each axis, size - 1 units. In 1D a part of L units
// holds m boxes of at least one unit exactly when L >= m, and the cut keeps both parts so. In 2D
// and 3D guillotine halving cannot always use every unit (3 x 3 units cannot be halved into 4 and
// 4 boxes), so a part counts as big enough for m boxes when the product of its sides, each
// rounded down to a power of two, is at least m rounded up to a power of two; the cut keeps both
// parts big enough, which is always possible, so no part ever runs out of room. The world is
// refused unless it is big enough for n boxes (this demands at most 2^(dimension + 1) times the
// cells of n boxes).
class ParcelBoxes {
 public:
  // REQUIRES: settings pass CheckFamilySettings, dimension 1..3, world sizes >= 1, boxCount >= 1,
  // and Fits(...) when zero-size boxes are not allowed.
  ParcelBoxes(const FamilySettings& settings, int32_t dimension, const int32_t world[3],
              int64_t boxCount, bool zeroSizeAllowed);

  // Whether the world is big enough for boxCount boxes of at least one unit (always true when
  // zero-size boxes are allowed).
  static bool Fits(int32_t dimension, const int32_t world[3], int64_t boxCount,
                   bool zeroSizeAllowed);

  // The message for a world that does not fit.
  static std::string TooSmallMessage(int32_t dimension, const int32_t world[3], int64_t boxCount);

  // The next box, as low and high corners on the axes of the dimension; false after the last.
  bool Next(RandomSource& random, int32_t low[3], int32_t high[3]);

  // Parts waiting to be cut or made into boxes: at most one per level of the tree, plus one.
  size_t pendingParts() const { return stack_.size(); }

 private:
  struct Part {
    int32_t low[3];
    int32_t extent[3];
    int64_t boxes;
  };

  double split_;
  double dither_;
  int32_t dimension_;
  bool zeroSizeAllowed_;
  std::vector<Part> stack_;  // pending parts, the next on top; reserved once, never beyond 33
};

}  // namespace pelmora
