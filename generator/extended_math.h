// The elementary functions of extended precision, each of a double argument.
#pragma once

#include <cmath>

#include "generator/extended.h"

namespace pelmora {

inline Extended Log(double x) {
  return Extended::FromLongDouble(std::log(static_cast<long double>(x)));
}
inline Extended Sin(double x) {
  return Extended::FromLongDouble(std::sin(static_cast<long double>(x)));
}
inline Extended Cos(double x) {
  return Extended::FromLongDouble(std::cos(static_cast<long double>(x)));
}

}  // namespace pelmora
