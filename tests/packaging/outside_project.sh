#!/bin/sh
# Installs the build into a fresh prefix and builds outside projects against it alone, as a C++
# user would: examples/ (find_package), tests/packaging/outside (find_package) and the same
# program through pkg-config. Their boxes must be pelmora-gen's.
# Usage: outside_project.sh SOURCE BUILD WORK CXX [EXAMPLE_BOXES] (the example's own 10^6 without)
set -eu
source=$1 build=$2 work=$3 cxx=$4 example_boxes=${5:-}
fail() { echo "outside_project: $*" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

# The public headers and the package are there; the internal headers are not.
for f in include/pelmora/pelmora.h include/pelmora/settings.h include/pelmora/version.h; do
  [ -f "$prefix/$f" ] || fail "$f missing"
done
[ -z "$(find "$prefix/include" -path '*generator*')" ] || fail "internal headers installed"
config=$(find "$prefix" -name PelmoraConfig.cmake)
[ -n "$config" ] && [ -f "$(dirname "$config")/PelmoraConfigVersion.cmake" ] || fail "no CMake package"
pc=$(find "$prefix" -name pelmora.pc)
[ -n "$pc" ] || fail "pelmora.pc missing"

# Outside projects see the prefix only: no build tree, no source tree headers.
configure() {
  cmake -S "$1" -B "$2" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null || fail "configuring $1 failed"
  cmake --build "$2" >/dev/null || fail "building $1 failed"
}
configure "$source/examples" "$work/example"
configure "$source/tests/packaging/outside" "$work/outside"

gen=$prefix/bin/pelmora-gen
cd "$work"
for settings in "-d 1 -n 300 -s 2" "-d 2 --variable --distribution gauss --mean 300 --sigma 90.5 -n 500 -s 5" \
                "-d 3 --distribution skewed --exponent 2 -w 2000,1500,900 --high 50,40,30 -n 500 -s 99"; do
  # shellcheck disable=SC2086
  "$gen" -q $settings -o data.txt
  # shellcheck disable=SC2086
  "$gen" -q $settings --format csv -o expected.csv
  "$work/outside/print_boxes" data.txt > cmake.csv || fail "print_boxes failed for $settings"
  cmp -s expected.csv cmake.csv || fail "find_package program: other boxes than pelmora-gen for $settings"
done

# pkg-config: the same program, compiled by hand.
export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$pc")
# shellcheck disable=SC2046
"$cxx" -std=c++20 -o pkgconfig_boxes "$source/tests/packaging/outside/print_boxes.cpp" \
  $(pkg-config --cflags --libs --static pelmora) || fail "building with pkg-config failed"
# (A shared library in a prefix the loader does not search is found through LD_LIBRARY_PATH.)
LD_LIBRARY_PATH=$(pkg-config --variable=libdir pelmora) ./pkgconfig_boxes data.txt > pkgconfig.csv ||
  fail "pkg-config program failed"
cmp -s expected.csv pkgconfig.csv || fail "pkg-config program: other boxes than pelmora-gen"

# The example: its count against the first 1000 boxes of pelmora-gen's CSV of the same settings.
"$work/example/count_intersections" $example_boxes > example.txt || fail "example failed"
cat example.txt
"$gen" -q --variable -n 1000 -s 1 --format csv -o first.csv
expected=$(awk -F, 'NR > 1 { x1[NR]=$2; y1[NR]=$3; z1[NR]=$4; x2[NR]=$5; y2[NR]=$6; z2[NR]=$7; n=NR }
  END { c=0; for (i=2;i<=n;i++) for (j=i+1;j<=n;j++)
          if (x1[i]<=x2[j] && x1[j]<=x2[i] && y1[i]<=y2[j] && y1[j]<=y2[i] && z1[i]<=z2[j] && z1[j]<=z2[i]) c++;
        print c }' first.csv)
grep -q "pairs of the first 1000 intersect" example.txt || fail "unexpected example output"
got=$(sed 's/.*; \([0-9]*\) pairs.*/\1/' example.txt)
[ "$got" = "$expected" ] || fail "example counts $got intersecting pairs, pelmora-gen's boxes give $expected"
echo "outside_project: ok"
