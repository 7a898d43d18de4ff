#include "generator/extended_math.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace pelmora {

namespace {

using soft::U128;

// --- Fixed-point numbers of any length, for the slow path -------------------------------------
//
// limbs[0] is the integer part, limbs[1..] the fraction, most significant first: the value is
// the sum of limbs[i] * 2^(-64 i). Every operation truncates; the callers bound the error in
// units of the last limb ("ulps").
using Limbs = std::vector<uint64_t>;

void AddTo(Limbs& a, const Limbs& b) {
  unsigned carry = 0;
  for (size_t i = a.size(); i-- > 0;) {
    const U128 sum = U128{a[i]} + b[i] + carry;
    a[i] = static_cast<uint64_t>(sum);
    carry = static_cast<unsigned>(sum >> 64);
  }
}

// a -= b; REQUIRES a >= b.
void SubtractFrom(Limbs& a, const Limbs& b) {
  unsigned borrow = 0;
  for (size_t i = a.size(); i-- > 0;) {
    const uint64_t d = a[i] - b[i] - borrow;
    borrow = (a[i] < b[i] || (a[i] == b[i] && borrow)) ? 1 : 0;
    a[i] = d;
  }
}

bool Below(const Limbs& a, const Limbs& b) {
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  return false;
}

// Whether a is below `ulps` units of the last limb.
bool Negligible(const Limbs& a, uint64_t ulps) {
  for (size_t i = 0; i + 1 < a.size(); ++i) {
    if (a[i] != 0) return false;
  }
  return a.back() < ulps;
}

// a * b, truncated; REQUIRES the product below 2^64.
Limbs Multiply(const Limbs& a, const Limbs& b) {
  const size_t n = a.size();
  std::vector<U128> column(n + 1, 0);  // column[k + 1]: the weight of limb k; column[0] overflow
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; i + j < n + 1 && j < n; ++j) {
      const U128 p = U128{a[i]} * b[j];
      // The low half weighs limb i + j, the high half limb i + j - 1.
      if (i + j < n) column[i + j + 1] += static_cast<uint64_t>(p);
      column[i + j] += static_cast<uint64_t>(p >> 64);
    }
  }
  Limbs result(n);
  U128 carry = 0;
  for (size_t k = n + 1; k-- > 1;) {
    const U128 v = column[k] + carry;
    result[k - 1] = static_cast<uint64_t>(v);
    carry = v >> 64;
  }
  return result;
}

void DivideBy(Limbs& a, uint64_t d) {
  U128 rest = 0;
  for (uint64_t& limb : a) {
    const U128 current = (rest << 64) | limb;
    limb = static_cast<uint64_t>(current / d);
    rest = current % d;
  }
}

void MultiplyBy(Limbs& a, uint64_t m) {
  U128 carry = 0;
  for (size_t i = a.size(); i-- > 0;) {
    const U128 p = U128{a[i]} * m + carry;
    a[i] = static_cast<uint64_t>(p);
    carry = p >> 64;
  }
}

// A signed fixed-point number.
struct Signed {
  bool negative = false;
  Limbs magnitude;
};

void AddSigned(Signed& a, const Signed& b) {
  if (a.negative == b.negative) {
    AddTo(a.magnitude, b.magnitude);
  } else if (Below(a.magnitude, b.magnitude)) {
    Limbs m = b.magnitude;
    SubtractFrom(m, a.magnitude);
    a.magnitude = std::move(m);
    a.negative = b.negative;
  } else {
    SubtractFrom(a.magnitude, b.magnitude);
  }
}

// The extended value nearest to a fixed-point magnitude with the given sign (0 gives 0).
SoftExtended RoundFixed(bool negative, const Limbs& a) {
  size_t first = 0;
  while (first < a.size() && a[first] == 0) ++first;
  if (first == a.size()) return soft::Zero(negative);
  // The 128 bits from the leading one on, and whether any bit below them is set.
  const uint64_t second = first + 1 < a.size() ? a[first + 1] : 0;
  const uint64_t third = first + 2 < a.size() ? a[first + 2] : 0;
  U128 window = (U128{a[first]} << 64) | second;
  const int lz = std::countl_zero(a[first]);
  if (lz > 0) window = (window << lz) | (third >> (64 - lz));
  bool sticky = lz > 0 ? (third << lz) != 0 : third != 0;
  for (size_t k = first + 3; k < a.size() && !sticky; ++k) sticky = a[k] != 0;
  const auto scale = static_cast<int32_t>(-64 * static_cast<int64_t>(first) - 64 - lz);
  return soft::Pack(negative, scale, window | (sticky ? 1 : 0));
}

bool SameBits(SoftExtended a, SoftExtended b) {
  return a.significand == b.significand && a.signExponent == b.signExponent;
}

// The rounding of value, when value +- ulps units of the last limb round alike; otherwise none.
bool Decided(const Signed& value, uint64_t ulps, SoftExtended* result) {
  Limbs error(value.magnitude.size(), 0);
  error.back() = ulps;
  if (Below(value.magnitude, error) || value.magnitude == error) return false;
  Limbs low = value.magnitude;
  SubtractFrom(low, error);
  Limbs high = value.magnitude;
  AddTo(high, error);
  const SoftExtended a = RoundFixed(value.negative, low);
  if (!SameBits(a, RoundFixed(value.negative, high))) return false;
  *result = a;
  return true;
}

// Sets a to the magnitude m * 2^weight; REQUIRES it to fit the limbs exactly.
void SetBits(Limbs& a, uint64_t m, int32_t weight) {
  std::fill(a.begin(), a.end(), 0);
  for (int bit = 0; bit < 64; ++bit) {
    if (((m >> bit) & 1) == 0) continue;
    const int32_t at = weight + bit;  // the bit weighs 2^at: limb 0 holds 2^0..2^63
    const int32_t index = at >= 0 ? 0 : (-at + 63) / 64;
    const int32_t shift = at + 64 * index;
    a[static_cast<size_t>(index)] |= uint64_t{1} << shift;
  }
}

// 2 atanh(t) = ln((1 + t) / (1 - t)) for 0 <= t <= 1/3, and how many terms it took.
Limbs TwiceAtanh(const Limbs& t, uint64_t* terms) {
  const Limbs t2 = Multiply(t, t);
  Limbs term = t;
  Limbs sum = t;
  uint64_t k = 1;
  for (;;) {
    term = Multiply(term, t2);
    k += 2;
    Limbs part = term;
    DivideBy(part, k);
    if (Negligible(part, 1)) break;
    AddTo(sum, part);
  }
  *terms = k;
  MultiplyBy(sum, 2);
  return sum;
}

// The exponent and 53-bit significand of a finite positive double: x = m * 2^e, m < 2^53 with
// its leading bit at 52.
uint64_t Decompose(double x, int32_t* e) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const auto biased = static_cast<int32_t>((bits >> 52) & 0x7FF);
  uint64_t m = bits & ((uint64_t{1} << 52) - 1);
  if (biased == 0) {
    const int lz = std::countl_zero(m) - 11;
    *e = -1074 - lz;
    return m << lz;
  }
  *e = biased - 1075;
  return m | (uint64_t{1} << 52);
}

// ln(x) for a finite x > 0, x != 1, with `limbs` limbs; false if the error leaves it undecided.
bool LogWith(double x, size_t limbs, SoftExtended* result) {
  int32_t e;
  const uint64_t m = Decompose(x, &e);
  // x = (m / 2^j) * 2^k with m / 2^j in [0.75, 1.5): t = (m - 2^j) / (m + 2^j), ln = 2 atanh(t).
  const int j = m >= (uint64_t{3} << 51) ? 53 : 52;
  const int64_t k = e + j;
  const uint64_t base = uint64_t{1} << j;
  Signed ln;
  ln.magnitude.assign(limbs, 0);
  ln.negative = m < base;
  ln.magnitude[0] = m < base ? base - m : m - base;
  DivideBy(ln.magnitude, m + base);
  uint64_t terms;
  ln.magnitude = TwiceAtanh(ln.magnitude, &terms);
  uint64_t ulps = 8 * terms + 16;
  if (k != 0) {
    Signed ln2;
    ln2.magnitude.assign(limbs, 0);
    ln2.magnitude[0] = 1;
    DivideBy(ln2.magnitude, 3);
    uint64_t terms2;
    ln2.magnitude = TwiceAtanh(ln2.magnitude, &terms2);
    const uint64_t count = k < 0 ? static_cast<uint64_t>(-k) : static_cast<uint64_t>(k);
    MultiplyBy(ln2.magnitude, count);
    ln2.negative = k < 0;
    AddSigned(ln, ln2);
    ulps += (8 * terms2 + 16) * count;
  }
  return Decided(ln, ulps, result);
}

// Whether the value needs the slow path at all, and what it is if not: zeros, infinities, NaN.
bool LogSpecial(double x, SoftExtended* result) {
  if (std::isnan(x)) {
    *result = soft::Quiet(soft::FromDouble(x));
  } else if (x == 0) {
    *result = soft::Infinity(true);
  } else if (x < 0) {
    *result = soft::DefaultNaN();
  } else if (std::isinf(x)) {
    *result = soft::Infinity(false);
  } else if (x == 1) {
    *result = soft::Zero(false);
  } else {
    return false;
  }
  return true;
}

// pi / 2 = 8 atan(1/5) - 2 atan(1/239), and the error in ulps.
Limbs HalfPi(size_t limbs, uint64_t* ulps) {
  auto atanInverse = [limbs](uint64_t m, uint64_t* terms) {
    Limbs term(limbs, 0);
    term[0] = 1;
    DivideBy(term, m);
    Limbs sum = term;
    Limbs negative(limbs, 0);
    uint64_t k = 1;
    for (;;) {
      DivideBy(term, m * m);
      k += 2;
      Limbs part = term;
      DivideBy(part, k);
      if (Negligible(part, 1)) break;
      AddTo(((k / 2) % 2 == 1) ? negative : sum, part);
    }
    SubtractFrom(sum, negative);
    *terms = k;
    return sum;
  };
  uint64_t terms5;
  uint64_t terms239;
  Limbs a = atanInverse(5, &terms5);
  Limbs b = atanInverse(239, &terms239);
  MultiplyBy(a, 8);
  MultiplyBy(b, 2);
  SubtractFrom(a, b);
  *ulps = 8 * (2 * terms5 + 4) + 2 * (2 * terms239 + 4);
  return a;
}

// sin(x) or cos(x) for 2^-33 <= |x| < 2^53 with `limbs` limbs; false if undecided.
bool SinCosWith(double x, bool cosine, size_t limbs, SoftExtended* result) {
  const double magnitude = std::fabs(x);
  int32_t e;
  const uint64_t m = Decompose(magnitude, &e);
  // q, the nearest multiple of pi/2, need not be exact: r = |x| - q pi/2 stays small.
  const double quotient = std::nearbyint(magnitude * 0.63661977236758134308);
  const auto q = static_cast<uint64_t>(quotient);
  uint64_t piUlps;
  Limbs halfPi = HalfPi(limbs, &piUlps);
  Signed r;
  r.magnitude.assign(limbs, 0);
  SetBits(r.magnitude, m, e);
  Signed shift;
  shift.magnitude = halfPi;
  MultiplyBy(shift.magnitude, q);
  shift.negative = true;
  AddSigned(r, shift);
  const uint64_t rUlps = q * piUlps + 2;
  // sin(r + q pi/2) and cos(r + q pi/2) by the quadrant.
  const unsigned quadrant = static_cast<unsigned>(q % 4);
  const bool useCos = cosine != (quadrant % 2 == 1);
  bool negative = cosine ? (quadrant == 1 || quadrant == 2) : (quadrant >= 2);
  const Limbs r2 = Multiply(r.magnitude, r.magnitude);
  Limbs term(limbs, 0);
  if (useCos) {
    term[0] = 1;
  } else {
    term = r.magnitude;
  }
  Limbs sum = term;
  Limbs subtracted(limbs, 0);
  uint64_t k = useCos ? 0 : 1;
  uint64_t terms = 0;
  for (;;) {
    term = Multiply(term, r2);
    DivideBy(term, (k + 1) * (k + 2));
    k += 2;
    ++terms;
    if (Negligible(term, 1)) break;
    AddTo((terms % 2 == 1) ? subtracted : sum, term);
  }
  SubtractFrom(sum, subtracted);
  // sin is odd: sin(r) for a negative r is -sin(|r|); cos is even.
  if (!useCos && r.negative) negative = !negative;
  if (!cosine && std::signbit(x)) negative = !negative;
  Signed value{negative, sum};
  return Decided(value, 2 * rUlps + 4 * terms + 16, result);
}

// The slow path's precision: 4 limbs at first, then twice as many digits until the result is
// decided (the functions are transcendental, so it is decided for every argument but the exact
// cases handled before).
template <typename Attempt>
SoftExtended Refine(Attempt attempt) {
  SoftExtended result;
  for (size_t limbs = 4;; limbs = 2 * limbs - 1) {
    if (attempt(limbs, &result)) return result;
  }
}

// --- The fast path of the logarithm -----------------------------------------------------------

// For m in [1, 1.5) (index 0..63, m in [1 + i/128, 1 + (i+1)/128)) and m/2 in [0.75, 1)
// (index 64..127, m/2 in [(128+i)/256, (129+i)/256)): c = C / 1024, close to the reciprocal of
// the interval's middle (exactly 1 for the two intervals next to 1), and ln(c) to 2^-127: its
// sign and magnitude * 2^127. Made with Python's decimal module at 80 digits; the tests check
// every interval against the slow path.
struct LogEntry {
  uint16_t c;
  bool negative;
  uint64_t high;
  uint64_t low;
};
constexpr LogEntry kLogTable[128] = {
    {1024, false, 0x0000000000000000u, 0x0000000000000000u},
    {1012, true, 0x0182448a388a2aa2u, 0x0962c26fe1340056u},
    {1004, true, 0x02865524b3019813u, 0x9928637fdf36d2b9u},
    {997, true, 0x036b984b16e31cc2u, 0x3715f7fd032ca5feu},
    {989, true, 0x04739698af0d4e63u, 0xc6c6fccc49e40ec4u},
    {982, true, 0x055c571300f3bbb9u, 0x101dc4ebf92a7c6au},
    {975, true, 0x0646c1cfbf5cc507u, 0x581126ad49efc09cu},
    {967, true, 0x0754bb5901761bd1u, 0x6aeb2214c8bffb19u},
    {960, true, 0x0842cc5acf1d0344u, 0x51fecdfa819b9609u},
    {953, true, 0x09329b61ec61b4bau, 0xc097c5ba2de04b4fu},
    {946, true, 0x0a242f01edefd6a3u, 0x7469355b78dc796eu},
    {940, true, 0x0af4ad26cbc8e5beu, 0x70e8b8b88a14ff0du},
    {933, true, 0x0be99b43e149e446u, 0x1f3833831f15003au},
    {926, true, 0x0ce06196a692a41fu, 0xb0be3ccc15326766u},
    {920, true, 0x0db56446d6ad8defu, 0xfa8112e35a60e637u},
    {913, true, 0x0eafaab2c908711cu, 0xe60c2a34a8fa81e5u},
    {907, true, 0x0f87b866ecc9718fu, 0xb613960ee5388b5eu},
    {901, true, 0x106135354d4b1823u, 0x141a0774a72da4d4u},
    {895, true, 0x113c2605c398c280u, 0x89ac26bdd1e15890u},
    {889, true, 0x12188fd9807262f0u, 0xc0579c7f6cb882d8u},
    {883, true, 0x12f677cbbc0a9598u, 0x10b07a06ab634b75u},
    {877, true, 0x13d5e3126bc27f65u, 0xf0a12d8962a62be4u},
    {871, true, 0x14b6d6fefe22a45du, 0x9eadcf2a3577c1bfu},
    {865, true, 0x159958ff1d52f17du, 0x344b1afd6a1deabcu},
    {859, true, 0x167d6e9d785770bbu, 0xe7ac7c96811e5816u},
    {854, true, 0x173cb9074fd14cabu, 0x797ffd2cc3fce484u},
    {848, true, 0x1823c16551a3c1bbu, 0x734c63d061fa6120u},
    {843, true, 0x18e588ebac2dbeaeu, 0x559688a003b667c9u},
    {838, true, 0x19a8778debaa387du, 0x1f7f61c7e1fa460fu},
    {832, true, 0x1a93ed3c8ad9e36fu, 0x2bea77a5c80dccddu},
    {827, true, 0x1b5971a213acda87u, 0x41d548ef41c46417u},
    {822, true, 0x1c2028ab17f9b47cu, 0x46a8e14e97c2461eu},
    {817, true, 0x1ce816157f1987d5u, 0x177d9abad09f469bu},
    {812, true, 0x1db13db0d4894035u, 0x423a93f2d971062fu},
    {807, true, 0x1e7ba35eb77e2a11u, 0x1dc86c9b75639fd8u},
    {802, true, 0x1f474b134df228dbu, 0x071042512aa534dfu},
    {797, true, 0x201438d5bb48e6c6u, 0xb445cf0bd44ddea0u},
    {792, true, 0x20e270c09ab0c4e6u, 0xd8b76a7489c3e87du},
    {787, true, 0x21b1f7027d63dd19u, 0x10ea7f46a1566f69u},
    {783, true, 0x2258ef9a00e27652u, 0x91423ef2e898b1f1u},
    {778, true, 0x232ada773785f4bdu, 0xceb46a850ae53c5au},
    {773, true, 0x23fe1fcf9e8f4eadu, 0xa89ff860a280a7f9u},
    {769, true, 0x24a820929cad8ebdu, 0x6077bbf9294d1d07u},
    {764, true, 0x257de0f9b926a73eu, 0x9294013cfbc18cc5u},
    {760, true, 0x2629e3c3a6b9c761u, 0x4b37b0d1e11c1e0eu},
    {755, true, 0x27022e50ac996386u, 0xdb17e3f537263231u},
    {751, true, 0x27b03f6b28db74e0u, 0xf558b2171b6765c4u},
    {747, true, 0x285f3e7fec4c8322u, 0x07be99aa2291ff62u},
    {743, true, 0x290f2e1d2b0ee0dcu, 0x232e792fa633cf00u},
    {738, true, 0x29ec6fd775301f53u, 0x9a676da36dd7a6a0u},
    {734, true, 0x2a9e8636f7c3512au, 0x9812212a375db423u},
    {730, true, 0x2b5195b77dbf41c3u, 0x27a840983f914ae9u},
    {726, true, 0x2c05a115e123d7d2u, 0x2edbe7ec9181a355u},
    {722, true, 0x2cbaab1a99c01544u, 0xfd2dc5bdbfb2055bu},
    {718, true, 0x2d70b699ff47f99du, 0x434dc940d3de9c2cu},
    {714, true, 0x2e27c6748d42f736u, 0x4c2fd28e3966fdecu},
    {710, true, 0x2edfdd9728e2e977u, 0x3930a58ae4ed753fu},
    {707, true, 0x2f6a9d820ef48df0u, 0x5aeb83f0a3201476u},
    {703, true, 0x30248893215ec5c1u, 0x6b335ec2e9db57d4u},
    {699, true, 0x30df833a0a291cfeu, 0x476decccf7f68021u},
    {695, true, 0x319b9094cb417b75u, 0x2b5286a3ea772ce7u},
    {692, true, 0x322950c6b7ed1329u, 0x5a2339f069d78d07u},
    {688, true, 0x32e7468626ad5b9du, 0x8b5fa4c1f1c3019au},
    {684, true, 0x33a657d42bda7618u, 0x7bcbcfd3e186b5aau},
    {1362, false, 0x2482ab17fa2807ffu, 0x99147e568de34bcfu},
    {1355, false, 0x23d9d2aa515cf630u, 0x9ec96b88ff0b6986u},
    {1348, false, 0x23301a5ba846deceu, 0x9e8d87268a34e29au},
    {1341, false, 0x22857fd73408e730u, 0xc2dac54f308ea1f0u},
    {1334, false, 0x21da00becafb48e2u, 0xb5e955ff414c6e8au},
    {1327, false, 0x212d9aaab22fccc6u, 0x902a8518776e2c1du},
    {1321, false, 0x20991bc3083c0328u, 0xb5da628f318a46c1u},
    {1314, false, 0x1feb0233e607cc5bu, 0x8cb57a31c1fd98d3u},
    {1307, false, 0x1f3bfa934d6767cau, 0xa4dee40ed7a3e998u},
    {1301, false, 0x1ea5349e23ac0dc9u, 0xa639e65a5f3d1612u},
    {1295, false, 0x1e0dbc3d92aac919u, 0xf8294df883d588ecu},
    {1288, false, 0x1d5c216b4fbb915bu, 0x910d65f9350070f2u},
    {1282, false, 0x1cc320c017650240u, 0xe6994de4ea13f7f4u},
    {1276, false, 0x1c2968558c18c0a3u, 0x08471d70125403e0u},
    {1269, false, 0x1b7526a22e47036fu, 0xcb9e1523f624ac5au},
    {1263, false, 0x1ad9da1f8273bea4u, 0x1bfe07d7ca3f1d59u},
    {1257, false, 0x1a3dd04b93865f68u, 0x4d9b8b169ea9fcf5u},
    {1251, false, 0x19a10756988592a9u, 0x890b34261717b6d5u},
    {1245, false, 0x19037d6a1804c37au, 0x95f072365e7cdb3du},
    {1239, false, 0x186530a8c70cc5d8u, 0x65a751f1882e0d79u},
    {1234, false, 0x17e0afd630c273cfu, 0x83b1e206791a6e84u},
    {1228, false, 0x1740f8f54037a4c9u, 0xb37f3aaf66497a0bu},
    {1222, false, 0x16a079d0f7aad1fcu, 0x22468a7ab01d0d23u},
    {1216, false, 0x15ff3070a793d3c8u, 0x73e20a072123bafeu},
    {1211, false, 0x15782cb309162dceu, 0x57435ddf25436c6du},
    {1205, false, 0x14d56b5798ec02c0u, 0x0ad4b2aab625dd01u},
    {1200, false, 0x144d2b6ccb7d1e67u, 0xd3d950f87e1e0c41u},
    {1194, false, 0x13a8eb2d31a375f6u, 0xefabaa07b385cd86u},
    {1189, false, 0x131f693eb1996636u, 0x46971a412e4045beu},
    {1183, false, 0x1279a300ab4f7a19u, 0x5991a883feff5fbau},
    {1178, false, 0x11eed90e2dc2c2acu, 0x6e12ec91eb019386u},
    {1173, false, 0x116377fb124191e1u, 0xabf41763e15676cdu},
    {1168, false, 0x10d77e7cd08e5966u, 0x97717a40c2ae8e24u},
    {1163, false, 0x104aeb449f66bea4u, 0x197334d71ebbbeacu},
    {1157, false, 0x0fa16dd1d11676a4u, 0x669049f98dd544f8u},
    {1152, false, 0x0f1383b7157972f4u, 0xf543fff0ff4f0aafu},
    {1147, false, 0x0e84fb95a6241230u, 0x000d538cc0d8410du},
    {1142, false, 0x0df5d40c0a33b243u, 0xa4907054bd9fd700u},
    {1137, false, 0x0d660bb42199561fu, 0x17d2016d0e250da4u},
    {1132, false, 0x0cd5a1231019d66du, 0xf661e3e7b171e44bu},
    {1128, false, 0x0c61a2eb18cd907au, 0xd65a1532f6d5a1acu},
    {1123, false, 0x0bd010b7b24f0926u, 0x50c20c7fbeadcbd3u},
    {1118, false, 0x0b3dd83937607dc9u, 0x2da7bd644828ace1u},
    {1113, false, 0x0aaaf7f205a85a4bu, 0xc6434711abcb5fffu},
    {1108, false, 0x0a176e5f5323781du, 0xdd4f935996c92e8du},
    {1104, false, 0x09a0ebcb0de8e849u, 0x4cc1bb082689ba81u},
    {1099, false, 0x090c2d9dbad0e73bu, 0x03866e7e26ada600u},
    {1095, false, 0x0894b22201715622u, 0x4572ac464112f81bu},
    {1090, false, 0x07feba4466e4c0cdu, 0xd098b154e2232014u},
    {1085, false, 0x076811e2f8e494b1u, 0xec7dbf8156b8f8efu},
    {1081, false, 0x06ef0aff113d05cfu, 0x2dd7d04a1e10517eu},
    {1077, false, 0x0675913f7fe89e48u, 0x29cd239dacc5a6d7u},
    {1072, false, 0x05dd163d8cb73f11u, 0x8d3ca87b92960b1eu},
    {1068, false, 0x056296ebf2393523u, 0x1aa3d4b1d48dd981u},
    {1063, false, 0x04c8d231c005a5b6u, 0xe42c7927ca5f4085u},
    {1059, false, 0x044d48de165c7ca7u, 0x891c0b4c9f3b0d5eu},
    {1055, false, 0x03d147dc619b9581u, 0x7086b1c00b394a65u},
    {1051, false, 0x0354ce43dd06b53au, 0xd716bd24ea77b7e0u},
    {1046, false, 0x02b88b4a371a7112u, 0x77a49e09ef26160cu},
    {1042, false, 0x023afefd73dd7cd8u, 0xaf80670b4901c4abu},
    {1038, false, 0x01bcf712c74384bcu, 0x12f7b2ee16ccb5fdu},
    {1034, false, 0x013e7295d25a7d8fu, 0x803597baef17e6d4u},
    {1030, false, 0x00bf708f5ec1749du, 0x3c2d23a0744e00f6u},
    {1024, false, 0x0000000000000000u, 0x0000000000000000u},
};

// ln 2 * 2^127.
constexpr U128 kLn2 = (U128{0x58b90bfbe8e7bcd5u} << 64) | 0xe4f1d9cc01f97b58u;

// 2^127 / k for k = 1..17, rounded.
constexpr U128 kInverse[18] = {
    0,
    U128{1} << 127,
    U128{1} << 126,
    (U128{0x2aaaaaaaaaaaaaaau} << 64) | 0xaaaaaaaaaaaaaaabu,
    U128{1} << 125,
    (U128{0x1999999999999999u} << 64) | 0x999999999999999au,
    (U128{0x1555555555555555u} << 64) | 0x5555555555555555u,
    (U128{0x1249249249249249u} << 64) | 0x2492492492492492u,
    U128{1} << 124,
    (U128{0x0e38e38e38e38e38u} << 64) | 0xe38e38e38e38e38eu,
    (U128{0x0cccccccccccccccu} << 64) | 0xcccccccccccccccdu,
    (U128{0x0ba2e8ba2e8ba2e8u} << 64) | 0xba2e8ba2e8ba2e8cu,
    (U128{0x0aaaaaaaaaaaaaaau} << 64) | 0xaaaaaaaaaaaaaaabu,
    (U128{0x09d89d89d89d89d8u} << 64) | 0x9d89d89d89d89d8au,
    (U128{0x0924924924924924u} << 64) | 0x9249249249249249u,
    (U128{0x0888888888888888u} << 64) | 0x8888888888888889u,
    U128{1} << 123,
    (U128{0x0787878787878787u} << 64) | 0x8787878787878788u,
};

// (a * u) >> 64 for u < 2^64.
inline U128 MulHigh(U128 a, uint64_t u) {
  return U128{static_cast<uint64_t>(a >> 64)} * u + ((U128{static_cast<uint64_t>(a)} * u) >> 64);
}

// ln(x) to within 16 units of 2^-116, or false when that does not decide the rounding.
inline bool LogFast(double x, SoftExtended* result) {
  int32_t e;
  const uint64_t m = Decompose(x, &e);
  const auto index = static_cast<size_t>((m >> 45) - 128);
  const LogEntry& entry = kLogTable[index];
  // x = (m / 2^j) * 2^k, and r = (m / 2^j) * c - 1 exactly: |r| < 2^-7; u = |r| * 2^64.
  const bool upper = index >= 64;
  const int64_t k = e + (upper ? 53 : 52);
  const uint64_t product = m * entry.c;
  const uint64_t one = uint64_t{1} << (upper ? 63 : 62);
  const bool rNegative = product < one;
  const uint64_t u = (rNegative ? one - product : product - one) << (upper ? 1 : 2);
  // ln(1 + r) = r (1 - r/2 + r^2/3 - ...), ln(1 - u) = -u (1 + u/2 + u^2/3 + ...), to u^17.
  // The terms from u^8 on weigh less than 2^-56: 64 bits carry them (as multiples of 2^-64).
  uint64_t tail = static_cast<uint64_t>(kInverse[17] >> 63);
  for (int i = 16; i >= 9; --i) {
    const auto c = static_cast<uint64_t>(kInverse[i] >> 63);
    const auto product = static_cast<uint64_t>((U128{tail} * u) >> 64);
    tail = rNegative ? c + product : c - product;
  }
  U128 sum = U128{tail} << 63;
  for (int i = 8; i >= 1; --i) {
    sum = rNegative ? kInverse[i] + MulHigh(sum, u) : kInverse[i] - MulHigh(sum, u);
  }
  const U128 series = MulHigh(sum, u);  // |ln(1 + r)| * 2^127
  // ln x = k ln 2 - ln c + ln(1 + r), in units of 2^-116: each part truncated, so within 4
  // units altogether (the constants add |k| 2^-12 units at most).
  __extension__ typedef __int128 I128;
  const uint64_t count = k < 0 ? static_cast<uint64_t>(-k) : static_cast<uint64_t>(k);
  const U128 multiple = ((U128{static_cast<uint64_t>(kLn2 >> 64)} * count) << 53) +
                        ((U128{static_cast<uint64_t>(kLn2)} * count) >> 11);
  const auto logC = static_cast<I128>(((U128{entry.high} << 64) | entry.low) >> 11);
  const auto logOnePlusR = static_cast<I128>(series >> 11);
  const I128 total = (k < 0 ? -static_cast<I128>(multiple) : static_cast<I128>(multiple)) -
                     (entry.negative ? -logC : logC) + (rNegative ? -logOnePlusR : logOnePlusR);
  constexpr U128 kError = 16;
  const bool negative = total < 0;
  const U128 magnitude = negative ? static_cast<U128>(-total) : static_cast<U128>(total);
  if (magnitude <= kError) return false;
  const SoftExtended low = soft::Pack(negative, -116, magnitude - kError);
  const SoftExtended high = soft::Pack(negative, -116, magnitude + kError);
  if (!SameBits(low, high)) return false;
  *result = low;
  return true;
}

}  // namespace

namespace detail {

SoftExtended LogSlow(double x) {
  SoftExtended special;
  if (LogSpecial(x, &special)) return special;
  return Refine([x](size_t limbs, SoftExtended* r) { return LogWith(x, limbs, r); });
}

SoftExtended SinCosSlow(double x, bool cosine) {
  const double magnitude = std::fabs(x);
  if (std::isnan(x) || !(magnitude < 0x1p53)) return soft::DefaultNaN();
  // Below 2^-33, sin x = x (1 - x^2/6 + ...) and cos x = 1 - x^2/2 + ... lie closer to x and to
  // 1 than half a unit in the last place.
  if (magnitude < 0x1p-33) return cosine ? soft::FromInt64(1) : soft::FromDouble(x);
  return Refine(
      [x, cosine](size_t limbs, SoftExtended* r) { return SinCosWith(x, cosine, limbs, r); });
}

}  // namespace detail

Extended Log(double x) {
  SoftExtended result;
  if (LogSpecial(x, &result) || LogFast(x, &result)) return Extended::FromBits(result);
  return Extended::FromBits(detail::LogSlow(x));
}

Extended Sin(double x) {
  return Extended::FromBits(detail::SinCosSlow(x, false));
}
Extended Cos(double x) {
  return Extended::FromBits(detail::SinCosSlow(x, true));
}

}  // namespace pelmora
