// The settings of a dataset: everything that decides which boxes a seed makes.
//
// A plain struct whose defaults are pelmora-gen's (the window's start values) and whose limits
// are pelmora-gen's options'. Each field names the option that sets it on the command line; the
// Python module takes the same names, with underscores for dashes, as keywords.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "pelmora/status.h"

namespace pelmora {

// The law of the box positions (--distribution).
enum class Distribution : int32_t {
  kUniform = 0,     // "uniform"
  kGauss = 1,       // "gauss": mean and sigma
  kSkewed = 2,      // "skewed": exponent
  kDiagonal = 3,    // "diagonal": diagonalFraction and diagonalWidth
  kBit = 4,         // "bit": bitProbability and bitDigits
  kSierpinski = 5,  // "sierpinski": 2 or 3 dimensions
  kClustered = 6,   // "clustered": clusters and clusterSigma
  kParcel = 7,      // "parcel": parcelSplit and parcelDither; the high ranges do not apply
};

// The name pelmora-gen and the Python module use: "uniform", "gauss", "skewed", "diagonal",
// "bit", "sierpinski", "clustered", "parcel"; null for a value that names no distribution.
const char* DistributionName(Distribution distribution);
// The distribution of that name, or nothing.
std::optional<Distribution> ParseDistribution(std::string_view name);

// The limits of the settings, as pelmora-gen checks them.
inline constexpr int32_t kMaxWorldSize = 100000;  // world and high ranges: 1..kMaxWorldSize
inline constexpr int32_t kMaxBoxes = 2147483647;  // boxes: 1..kMaxBoxes
inline constexpr int32_t kMaxSeed = 65535;        // seed: 1..kMaxSeed

struct Settings {
  int32_t dimension = 3;                          // --dimension: 1, 2 or 3
  std::array<int32_t, 3> world = {700, 700, 50};  // --world: size per axis x, y, z
  int32_t boxes = 200;                            // --boxes
  std::array<int32_t, 3> high = {20, 20, 20};     // --high: box size, or its upper bound
  bool variable = false;       // --variable: each extent drawn from 1 to its high range
  bool allowZeroSize = false;  // --allow-zero-size
  Distribution distribution = Distribution::kUniform;  // --distribution
  // --mean, --sigma: the Gauss law's parameters, with at most two decimals (as a dataset header
  // prints them); they are held as single-precision numbers while the boxes are drawn.
  double mean = 350.0;
  double sigma = 100.0;
  int32_t exponent = 1;  // --exponent: 1 (Zipf) or 2, for the skewed law
  int32_t seed = 1;      // --seed: 1..kMaxSeed
  // The parameters of the distribution families (README, "Distribution families"):
  double diagonalFraction = 0.5;  // --diagonal-fraction: 0..1
  double diagonalWidth = 0.1;     // --diagonal-width: > 0
  double bitProbability = 0.2;    // --bit-probability: 0..1
  int32_t bitDigits = 10;         // --bit-digits: 1..30
  int32_t clusters = 10;          // --clusters: 1..100000
  double clusterSigma = 0.02;     // --cluster-sigma: > 0
  double parcelSplit = 0.2;       // --parcel-split: greater than 0, less than 0.5
  double parcelDither = 0.2;      // --parcel-dither: 0..1
};

// Checks every setting against its limits, in the order of the fields, that sierpinski has 2
// or 3 dimensions, and then that every high range (all three axes, whatever the dimension) is
// below the world size of its axis, except for parcel, whose boxes do not use them. The message
// is pelmora-gen's for the same value: it names the option ("--boxes: expected a whole number
// from 1 to ..., got '0'"), or for the ranges "High ranges for boxes out of world range!".
Status Validate(const Settings& settings);

}  // namespace pelmora
