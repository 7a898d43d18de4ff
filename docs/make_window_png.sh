#!/bin/sh
# Makes docs/window.png: the window after a run with its start settings, on a virtual display
# (Xvfb) with the fonts .ci/install-deps installs. Needs xvfb-run, xdotool and ImageMagick.
# Usage: docs/make_window_png.sh [path/to/pelmora] [output.png]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "${1:-$here/../build/pelmora}")
output=$(realpath -m "${2:-$here/window.png}")

if [ -z "${DISPLAY_READY:-}" ]; then
  DISPLAY_READY=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$output"
fi

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder"
"$program" &
pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name 'Pelmora 1.0' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"
# "Create Dataset": the side channel's scroll box at (13, 24) below the 33-pixel title bar;
# Generator Settings below World Settings (130); the button at (8, 288), 185 x 33, in it.
xdotool mousemove $((X + 13 + 1 + 8 + 92)) $((Y + 33 + 24 + 1 + 130 + 288 + 16)) click 1
# Off the window, so that no tooltip shows.
xdotool mousemove 0 0
sleep 2
import -window "$window" "$output"
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "made $output"
