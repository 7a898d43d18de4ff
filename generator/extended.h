// Extended precision: a real with a 64-bit significand and a 15-bit exponent, rounded to nearest,
// ties to even, after every operation (the x87 80-bit format). Every step that a dataset or a
// picture depends on is written in Extended and rounded to float or double exactly where a value
// is held so.
//
// `Extended` offers exactly what the generator and the drawing need: exact conversions from
// int32, int64, float and double; conversions to float and double rounded to nearest even; +, -,
// *, / and square root correctly rounded to a 64-bit significand; comparisons; truncation to an
// integer (TruncToInt in numeric.h). The logarithm, sine and cosine live in extended_math.h.
//
// On x86 the x87 unit holds the value (`long double`); elsewhere, or with PELMORA_SOFT_EXTENDED
// defined (the CMake option of that name), the integer arithmetic of soft_extended.h does, with
// the same results bit for bit.
#pragma once

#include <cfloat>
#include <cstdint>
#include <cstring>

#include "generator/soft_extended.h"

// Whether long double is the x87 80-bit format itself.
#if LDBL_MANT_DIG == 64 && (defined(__x86_64__) || defined(__i386__))
#define PELMORA_LONG_DOUBLE_IS_X87 1
#elif !defined(PELMORA_SOFT_EXTENDED)
#define PELMORA_SOFT_EXTENDED 1
#endif

namespace pelmora {

class Extended {
 public:
  constexpr Extended() = default;  // +0
  // Exact: every int64, float and double has a 64-bit significand or a shorter one.
  Extended(int32_t x) : value_(Make(int64_t{x})) {}  // NOLINT(google-explicit-constructor)
  Extended(int64_t x) : value_(Make(x)) {}           // NOLINT(google-explicit-constructor)
  Extended(float x) : value_(Make(double{x})) {}     // NOLINT(google-explicit-constructor)
  Extended(double x) : value_(Make(x)) {}            // NOLINT(google-explicit-constructor)

  // Rounded to nearest, ties to even.
  explicit operator float() const { return ToFloat(value_); }
  explicit operator double() const { return ToDouble(value_); }
  // Exact where long double has a 64-bit significand or a longer one.
  explicit operator long double() const { return ToLongDouble(value_); }

  // The bits of the x87 format: the significand with its explicit integer bit, then the sign
  // (bit 15) and the biased exponent (bits 0..14).
  static Extended FromBits(SoftExtended bits) {
    Extended e;
#ifdef PELMORA_SOFT_EXTENDED
    e.value_ = bits;
#else
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

#ifdef PELMORA_LONG_DOUBLE_IS_X87
  // An x87 value as it is.
  static Extended FromLongDouble(long double x) {
    SoftExtended bits;
    std::memcpy(&bits.significand, &x, 8);
    std::memcpy(&bits.signExponent, reinterpret_cast<const char*>(&x) + 8, 2);
    return FromBits(bits);
  }
#endif

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

  // IEEE comparisons: every one is false when either side is NaN.
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
  friend Extended Abs(Extended a) {
    return a < Extended() ? -a : a;
  }
  friend bool IsNaN(Extended a) {
    return !(a == a);
  }
  // Truncation toward zero; 0 for NaN and for |a| >= 2^63.
  friend int64_t TruncToInt64(Extended a) {
    return Truncate(a.value_);
  }

 private:
#ifdef PELMORA_SOFT_EXTENDED
  using Value = SoftExtended;
  static Value Make(int64_t x) {
    return soft::FromInt64(x);
  }
  static Value Make(double x) {
    return soft::FromDouble(x);
  }
  static float ToFloat(Value v) {
    return soft::ToFloat(v);
  }
  static double ToDouble(Value v) {
    return soft::ToDouble(v);
  }
  static long double ToLongDouble(Value v) {
    return soft::ToLongDouble(v);
  }
  static Value Root(Value v) {
    return soft::Sqrt(v);
  }
  static int64_t Truncate(Value v) {
    return soft::Truncate(v);
  }
#else
  using Value = long double;
  static Value Make(int64_t x) {
    return static_cast<Value>(x);
  }
  static Value Make(double x) {
    return x;
  }
  static float ToFloat(Value v) {
    return static_cast<float>(v);
  }
  static double ToDouble(Value v) {
    return static_cast<double>(v);
  }
  static long double ToLongDouble(Value v) {
    return v;
  }
  static Value Root(Value v) {
    return __builtin_sqrtl(v);
  }
  static int64_t Truncate(Value v) {
    if (!(__builtin_fabsl(v) < 0x1p63L)) return 0;
    return static_cast<int64_t>(v);
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
