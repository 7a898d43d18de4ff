#!/bin/sh
# Installs the build into a fresh prefix and checks what a desktop user expects to find there.
# Usage: install_tree.sh BUILD PREFIX WINDOW(yes|no)
set -eu
build=$1 prefix=$2 window=$3
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "install_tree: $*" >&2; exit 1; }
[ -x "$prefix/bin/pelmora-gen" ] || fail "bin/pelmora-gen missing"
if [ "$window" = yes ]; then [ -x "$prefix/bin/pelmora" ] || fail "bin/pelmora missing"; fi
[ -f "$prefix/share/applications/pelmora.desktop" ] || fail "desktop entry missing"
[ -f "$prefix/share/icons/hicolor/scalable/apps/pelmora.svg" ] || fail "icon missing"
[ -f "$prefix/share/man/man1/pelmora-gen.1" ] || fail "man page missing"
# The installed program runs, and its man page names every option its --help names.
"$prefix/bin/pelmora-gen" --version | grep -q "Pelmora" || fail "installed pelmora-gen does not run"
# With the window comes the PNG module, which the installed pelmora-gen finds in its prefix.
if [ "$window" = yes ]; then
  ls "$prefix"/lib*/pelmora/libpelmora-png.so >/dev/null 2>&1 || fail "PNG module missing"
  picture=$(mktemp -d)
  "$prefix/bin/pelmora-gen" -q -s 1 -o "$picture/data.txt" --picture "$picture/p.png" ||
    fail "installed pelmora-gen draws no PNG"
  [ -s "$picture/p.png" ] || fail "installed pelmora-gen wrote no PNG"
  rm -rf "$picture"
fi
page=$(MANWIDTH=200 man -l "$prefix/share/man/man1/pelmora-gen.1" 2>/dev/null)
for option in $("$prefix/bin/pelmora-gen" --help | grep -o -- '--[a-z-]*' | sort -u); do
  printf '%s\n' "$page" | grep -q -- "$option" || fail "man page lacks $option"
done
echo "install_tree: ok"
