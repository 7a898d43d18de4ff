// extended_check: the long checks of the extended arithmetic, too slow for the test suite (which
// runs samples of both). Prints what it counted; exits 1 on any mismatch.
//
//   extended_check log [THREADS]
//       Every single in [2^-48, 1), which holds every value whose logarithm the polar method takes
//       (a sum of two squares of singles that are multiples of 2^-24), through Log, against
//       libquadmath's logq rounded to a 64-bit significand. Where logq lies too close to a
//       rounding boundary for that rounding to be certain, the result is compared with the slow
//       path of any precision instead, and counted as undecided by libquadmath.
//   extended_check ops N [THREADS]
//       N operand pairs through every operation of the integer arithmetic against the x87 unit.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "generator/extended_math.h"
#include "tests/generator/extended_cases.h"
#include "tests/generator/quad_reference.h"

namespace pelmora {
namespace {

struct Counts {
  uint64_t checked = 0;
  uint64_t mismatches = 0;
  uint64_t undecided = 0;  // by libquadmath; decided by the slow path
};

// Runs part(index, counts) for index 0..threads-1 on threads of their own and adds the counts.
template <typename Part>
Counts OnThreads(int threads, Part part) {
  std::vector<Counts> counts(static_cast<size_t>(threads));
  std::vector<std::thread> running;
  for (int i = 0; i < threads; ++i) {
    running.emplace_back([&, i] { part(i, counts[static_cast<size_t>(i)]); });
  }
  Counts total;
  for (int i = 0; i < threads; ++i) {
    running[static_cast<size_t>(i)].join();
    total.checked += counts[static_cast<size_t>(i)].checked;
    total.mismatches += counts[static_cast<size_t>(i)].mismatches;
    total.undecided += counts[static_cast<size_t>(i)].undecided;
  }
  return total;
}

std::mutex reportMutex;

void Report(const std::string& line) {
  std::lock_guard lock(reportMutex);
  std::fprintf(stderr, "%s\n", line.c_str());
}

Counts CheckLogarithm(int threads) {
  constexpr uint32_t kFirst = 0x27800000u;  // 2^-48
  constexpr uint32_t kEnd = 0x3F800000u;    // 1
  return OnThreads(threads, [&](int index, Counts& counts) {
    for (uint32_t bits = kFirst + static_cast<uint32_t>(index); bits < kEnd;
         bits += static_cast<uint32_t>(threads)) {
      float s;
      std::memcpy(&s, &bits, sizeof s);
      const SoftExtended got = Log(s).Bits();
      const std::optional<SoftExtended> quad = RoundQuad(logq(s));
      const SoftExtended expected = quad ? *quad : detail::LogSlow(s);
      if (!quad) ++counts.undecided;
      ++counts.checked;
      if (!Same(got, expected) && ++counts.mismatches <= 10) {
        char text[160];
        std::snprintf(text, sizeof text, "ln %a: %s, expected %s", static_cast<double>(s),
                      Describe(got).c_str(), Describe(expected).c_str());
        Report(text);
      }
    }
  });
}

Counts CheckOperations(uint64_t n, int threads) {
  return OnThreads(threads, [&](int index, Counts& counts) {
    const uint64_t share = n / static_cast<uint64_t>(threads) +
                           (static_cast<uint64_t>(index) < n % static_cast<uint64_t>(threads));
    counts.checked = share;
    counts.mismatches = CompareWithX87(
        1000 + static_cast<uint64_t>(index), share,
        [](const char* op, SoftExtended a, SoftExtended b, SoftExtended soft, SoftExtended x87) {
          Report(std::string(op) + " of " + Describe(a) + " and " + Describe(b) + ": " +
                 Describe(soft) + ", the x87 unit " + Describe(x87));
        });
  });
}

int Usage() {
  std::fprintf(stderr,
               "usage: extended_check log [THREADS]\n"
               "       extended_check ops N [THREADS]\n");
  return 2;
}

}  // namespace
}  // namespace pelmora

int main(int argc, char** argv) {
  using namespace pelmora;
  if (argc < 2) return Usage();
  const std::string what = argv[1];
  const auto threadsAt = [&](int at) {
    const int threads = argc > at ? std::atoi(argv[at]) : 1;
    return threads > 0 ? threads : 1;
  };
  Counts counts;
  if (what == "log" && argc <= 3) {
    counts = CheckLogarithm(threadsAt(2));
    std::printf("log: %" PRIu64 " singles, %" PRIu64 " mismatches, %" PRIu64
                " undecided by libquadmath (compared with the slow path)\n",
                counts.checked, counts.mismatches, counts.undecided);
  } else if (what == "ops" && argc >= 3 && argc <= 4) {
    const uint64_t n = std::strtoull(argv[2], nullptr, 10);
    counts = CheckOperations(n, threadsAt(3));
    std::printf("ops: %" PRIu64 " operand pairs through every operation, %" PRIu64 " mismatches\n",
                counts.checked, counts.mismatches);
  } else {
    return Usage();
  }
  return counts.mismatches == 0 ? 0 : 1;
}
