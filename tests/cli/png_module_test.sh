#!/bin/sh
# pelmora-gen loads Qt only for a PNG picture, through the PNG module opened at run time; without
# the module (or with a wrong one) a PNG is refused with a message that names it, and nothing is
# written, while datasets and SVG pictures still work.
# Usage: png_module_test.sh PELMORA_GEN FOLDER
set -eu
gen=$1 folder=$2
rm -rf "$folder"
mkdir -p "$folder"
cd "$folder"
fail() { echo "png_module_test: $*" >&2; exit 1; }

# Linked: no Qt at all.
if ldd "$gen" | grep -qi 'libQt'; then fail "pelmora-gen links Qt: $(ldd "$gen" | grep -i libQt)"; fi

# Loaded: Qt only when a PNG is asked for.
loads_qt() {
  LD_DEBUG=libs LD_DEBUG_OUTPUT="$folder/libs" "$@" >/dev/null || fail "$* failed"
  grep -q 'calling init: .*libQt6Gui' "$folder"/libs.*
  found=$?
  rm -f "$folder"/libs.*
  return $found
}
loads_qt "$gen" -q -s 1 -n 1000 -o plain.txt && fail "a dataset run loads Qt"
loads_qt "$gen" -q -s 1 -o with-svg.txt --picture p.svg && fail "an SVG picture loads Qt"
loads_qt "$gen" --version && fail "--version loads Qt"
loads_qt "$gen" -q -s 1 -o with-png.txt --picture p.png || fail "a PNG picture does not load Qt"
[ "$(head -c 8 p.png | od -An -c | tr -d ' ')" = '211PNG\r\n032\n' ] || fail "p.png is no PNG"

# A pelmora-gen with no module beside it or in its installation, an empty file in its place, and
# a library that is not the module.
mkdir alone empty other
cp "$gen" alone/ && cp "$gen" empty/ && cp "$gen" other/
: > empty/libpelmora-png.so
# Any shared library pelmora-gen itself uses (zlib or Zstandard) serves as one that is not the module.
library=$(ldd "$gen" | awk '/lib(z|zstd)\.so/ {print $3; exit}')
[ -n "$library" ] || fail "pelmora-gen uses neither a shared zlib nor a shared libzstd"
cp "$library" other/libpelmora-png.so
for case in "alone:is not installed with this pelmora-gen (looked for '$folder/alone/libpelmora-png.so'" \
            "empty:the PNG module '$folder/empty/libpelmora-png.so' cannot be loaded: " \
            "other:the PNG module '$folder/other/libpelmora-png.so' is not the one of this pelmora-gen"; do
  dir=${case%%:*} expected=${case#*:}
  status=0
  "$folder/$dir/pelmora-gen" -q -s 1 -o "$dir/data.txt" --picture "$dir/p.png" 2>"$dir/err" || status=$?
  [ "$status" = 1 ] || fail "$dir: status $status, expected 1"
  grep -qF "pelmora-gen: Cannot write the picture '$dir/p.png': " "$dir/err" || fail "$dir: $(cat "$dir/err")"
  grep -qF "$expected" "$dir/err" || fail "$dir: expected '$expected' in: $(cat "$dir/err")"
  [ ! -e "$dir/p.png" ] && [ ! -e "$dir/data.txt" ] || fail "$dir: a file was written"
  # An SVG picture needs no module.
  "$folder/$dir/pelmora-gen" -q -s 1 -o "$dir/data.txt" --picture "$dir/p.svg" || fail "$dir: SVG failed"
  cmp -s "$dir/p.svg" p.svg || fail "$dir: another SVG"
done
echo "png_module_test: ok"
