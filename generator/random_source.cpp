#include "generator/random_source.h"

#include <chrono>
#include <limits>

namespace pelmora {

int32_t ClockSeconds() {
  // The system clock counts UTC seconds; the local time zone and daylight saving only matter for
  // turning a local reading into that count, which the operating system has already done.
  const auto now = std::chrono::system_clock::now();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch());
  const long long count = seconds.count();
  if (count < 0 || count > std::numeric_limits<int32_t>::max()) return -1;
  return static_cast<int32_t>(count);
}

}  // namespace pelmora
