#!/bin/sh
# The program on a display without a window manager (run under xvfb-run): its own close button,
# clicked as a user clicks it, ends it with status 0. Usage: close_program.sh path/to/pelmora
set -u
program=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1
"$program" &
pid=$!
# The window, once mapped: its position and size.
window=$(timeout 60 xdotool search --sync --onlyvisible --name 'Pelmora 1.0' | head -n 1)
if [ -z "$window" ]; then
  echo "close_program: the window did not appear" >&2
  kill "$pid" 2>/dev/null
  exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$window")"
# The close button: 6 pixels in from the right edge, 21 pixels wide, on the 33-pixel bar.
xdotool mousemove $((X + WIDTH - 16)) $((Y + 16)) click 1
# Ended within a minute, with status 0.
i=0
while kill -0 "$pid" 2>/dev/null; do
  i=$((i + 1))
  if [ "$i" -gt 600 ]; then
    echo "close_program: still running a minute after the click" >&2
    kill "$pid"
    exit 1
  fi
  sleep 0.1
done
wait "$pid"
status=$?
if [ "$status" -ne 0 ]; then
  echo "close_program: ended with status $status" >&2
  exit 1
fi
echo "close_program: closed by its close button, status 0"
