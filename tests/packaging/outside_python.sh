#!/bin/sh
# Installs the build into a fresh prefix and runs outside_python.py against it alone.
# Usage: outside_python.sh BUILD PREFIX PYTHON MODULE_FOLDER (relative to the prefix)
set -eu
build=$1 prefix=$2 python=$3 folder=$4
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
[ -n "$(find "$prefix/$folder" -name 'pelmora*.so')" ] || { echo "no module in $prefix/$folder" >&2; exit 1; }
PYTHONPATH="$prefix/$folder" "$python" "$(dirname "$0")/outside_python.py" "$prefix"
