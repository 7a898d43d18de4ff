// Extended precision: a real with a 64-bit significand and a 15-bit exponent, rounded to nearest,
// ties to even, after every operation (the x87 80-bit format). Every step that a dataset or a
// picture depends on is written in Extended and rounded to float or double exactly where a value
// is held so.
//
// `Extended` offers exactly what the generator and the drawing need: exact conversions from
// int32, int64, float and double; conversions to float and double rounded to nearest even; +, -,
// *, / and square root correctly rounded to a 64-bit significand; comparisons; TruncToInt (in
// numeric.h). The logarithm, sine and cosine live in extended_math.h.
//
// On x86 the x87 unit holds the value (`long double`); elsewhere, or with PELMORA_SOFT_EXTENDED
// defined, the integer arithmetic of soft_extended.h does, with the same results bit for bit.
#pragma once

#include <cfloat>
#include <cstdint>
#include <cstring>

#include "generator/soft_extended.h"

#if !(LDBL_MANT_DIG == 64 && (defined(__x86_64__) || defined(__i386__)))
#error "Extended needs the x87 long double"
#endif

namespace pelmora {

class Extended {
 public:
  constexpr Extended() = default;  // +0
  // Exact: every int64, float and double has a 64-bit significand or a shorter one.
  Extended(int32_t x) : value_(x) {}  // NOLINT(google-explicit-constructor): a real of its value
  Extended(int64_t x) : value_(x) {}  // NOLINT(google-explicit-constructor)
  Extended(float x) : value_(x) {}    // NOLINT(google-explicit-constructor)
  Extended(double x) : value_(x) {}   // NOLINT(google-explicit-constructor)

  // Rounded to nearest, ties to even.
  explicit operator float() const { return static_cast<float>(value_); }
  explicit operator double() const { return static_cast<double>(value_); }
  // Exact where long double has a 64-bit significand or a longer one.
  explicit operator long double() const { return static_cast<long double>(value_); }

  // The x87 value itself.
  static Extended FromLongDouble(long double x) { return Extended(x); }

  // The bits of the x87 format: the significand with its explicit integer bit, then the sign
  // (bit 15) and the biased exponent (bits 0..14).
  static Extended FromBits(SoftExtended bits) {
    Extended e;
#ifdef PELMORA_SOFT_EXTENDED
    e.value_ = bits;
#else
    static_assert(sizeof(long double) >= 10);
    std::memcpy(&e.value_, &bits.significand, 8);
    std::memcpy(reinterpret_cast<char*>(&e.value_) + 8, &bits.signExponent, 2);
#endif
    return e;
  }
  SoftExtended Bits() const {
#ifdef PELMORA_SOFT_EXTENDED
    return value_;
#else
    SoftExtended bits;
    std::memcpy(&bits.significand, &value_, 8);
    std::memcpy(&bits.signExponent, reinterpret_cast<const char*>(&value_) + 8, 2);
    return bits;
#endif
  }

  friend Extended operator+(Extended a, Extended b) {
    return Extended(a.value_ + b.value_);
  }
  friend Extended operator-(Extended a, Extended b) {
    return Extended(a.value_ - b.value_);
  }
  friend Extended operator*(Extended a, Extended b) {
    return Extended(a.value_ * b.value_);
  }
  friend Extended operator/(Extended a, Extended b) {
    return Extended(a.value_ / b.value_);
  }
  friend Extended operator-(Extended a) {
    return Extended(-a.value_);
  }
  Extended& operator+=(Extended b) {
    return *this = *this + b;
  }
  Extended& operator-=(Extended b) {
    return *this = *this - b;
  }
  Extended& operator*=(Extended b) {
    return *this = *this * b;
  }
  Extended& operator/=(Extended b) {
    return *this = *this / b;
  }

  // IEEE comparisons: every one but != is false when either side is NaN.
  friend bool operator==(Extended a, Extended b) {
    return a.value_ == b.value_;
  }
  friend bool operator<(Extended a, Extended b) {
    return a.value_ < b.value_;
  }
  friend bool operator<=(Extended a, Extended b) {
    return a.value_ <= b.value_;
  }
  friend bool operator>(Extended a, Extended b) {
    return b < a;
  }
  friend bool operator>=(Extended a, Extended b) {
    return b <= a;
  }

  friend Extended Sqrt(Extended a) {
    return Extended(Root(a.value_));
  }
  // Truncation toward zero; 0 for NaN and for |a| >= 2^63.
  friend int64_t TruncToInt64(Extended a) {
    return Truncate(a.value_);
  }
  friend Extended Abs(Extended a) {
    return a < Extended() ? -a : a;
  }
  friend bool IsNaN(Extended a) {
    return !(a == a);
  }

 private:
#ifdef PELMORA_SOFT_EXTENDED
  using Value = SoftExtended;
  static Value Root(const Value& x) {
    return SoftSqrt(x);
  }
#else
  using Value = long double;
  static Value Root(Value x) {
    return __builtin_sqrtl(x);
  }
  static int64_t Truncate(Value x) {
    if (!(__builtin_fabsl(x) < 0x1p63L)) return 0;
    return static_cast<int64_t>(x);
  }
#endif
  explicit Extended(Value v) : value_(v) {}

  Value value_{};
};

// Visible to ordinary lookup too, so that a float or double argument converts.
Extended Sqrt(Extended a);
Extended Abs(Extended a);
bool IsNaN(Extended a);
int64_t TruncToInt64(Extended a);

}  // namespace pelmora
