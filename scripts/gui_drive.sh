#!/usr/bin/env bash
# A person's day with the desktop application, on a real X server with a window manager: starts
# reelmaker-gui under Xvfb and openbox and drives it with xdotool: File > Open..., step, mark in
# and out, Translate... (Ctrl+T) to a movie that completes, a second export cancelled, the same
# frame opened twice, a 2K window fitted, maximised and at Actual Size, the next window at the size
# the user gave, Preferences open when Quit is pressed. Each step is checked from outside
# (window titles and geometry, files on disk, the application's exit) and pictured (import) in
# build/gui-drive/ (or $REELMAKER_BUILD_DIR/gui-drive). Exit 0 when every step holds, 1 when one
# fails, 77 (a skip for ctest) when no X server, window manager or xdotool can be had.
#
# usage: scripts/gui_drive.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-${REELMAKER_BUILD_DIR:-$root/build}}" && pwd)"
gui="$build/src/gui/reelmaker-gui"
cli="$build/src/reelmaker"
for tool in Xvfb openbox xdotool xwininfo import ffmpeg; do
  command -v "$tool" >/dev/null || { echo "gui_drive: skipped: $tool is missing (scripts/setup.sh installs it)"; exit 77; }
done
[ -x "$gui" ] && [ -x "$cli" ] || { echo "gui_drive: build reelmaker-gui and reelmaker first" >&2; exit 1; }

out="$build/gui-drive"
work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$out"
mkdir -p "$out" "$work/shots" "$work/long" "$work/twok" "$work/again" "$work/out" "$work/config"

# A free display of our own, 1920 x 1080 like a desktop monitor, and a window manager on it.
exec 6>"$work/display"
Xvfb -displayfd 6 -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "gui_drive: skipped: Xvfb did not start"; exit 77; }
export DISPLAY=":$(cat "$work/display")"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

# Frames: a short sequence, and a long one of large frames (names of one file) to cancel.
ffmpeg -loglevel error -f lavfi -i testsrc2=size=640x360:rate=24 -frames:v 12 -pix_fmt gbrp10be \
  "$work/shots/shot_%04d.dpx"
ffmpeg -loglevel error -f lavfi -i testsrc2=size=1024x778:rate=24 -frames:v 1 -pix_fmt gbrp10be \
  "$work/long/long_00001.dpx"
for i in $(seq -f %05g 2 1000); do ln "$work/long/long_00001.dpx" "$work/long/long_$i.dpx"; done
# And 2K frames, and a short sequence of another name.
ffmpeg -loglevel error -f lavfi -i testsrc2=size=2048x1080:rate=24 -frames:v 3 -pix_fmt gbrp10be \
  "$work/twok/twok_%04d.dpx"
ffmpeg -loglevel error -f lavfi -i testsrc2=size=640x360:rate=24 -frames:v 2 -pix_fmt gbrp10be \
  "$work/again/again_%04d.dpx"

step=0
failures=0
picture() { # NAME: the whole screen
  step=$((step + 1))
  import -window root "$out/$(printf %02d "$step")-$1.png"
}
check() { # WHAT COMMAND...: a step's outcome
  local what="$1"
  shift
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    failures=$((failures + 1))
  fi
}
window_named() { # TITLE: the id of the visible window with that exact title, waiting up to 10 s
  local id
  for _ in $(seq 100); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
has_window() { window_named "$1" >/dev/null; }
no_window() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
keys() { # WINDOW KEY...: keys to the window, once it has the focus
  local id="$1"
  shift
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers --delay 80 "$@"
}
type_into() { # WINDOW TEXT: types into the focused field of the window, then Return
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 5 "$2"
  xdotool key Return
}
file_appears() { # PATH: waits up to 60 s for the file and for no temporary file beside it
  for _ in $(seq 600); do
    [ -f "$1" ] && ! ls "$(dirname "$1")"/.*.part >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
geometry() { xdotool getwindowgeometry "$1" | awk '/Geometry/ {split($2, s, "x"); print s[1], s[2]}'; }
title_bar_double_click() { # WINDOW: just above the window's own top left corner (maximises)
  local x y
  read -r x y < <(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {print x, $4}')
  xdotool mousemove "$((x + 200))" "$((y - 8))" click --repeat 2 --delay 120 1
  sleep 1
}
movie_frames() { "$cli" verify --json "$1" | python3 -c 'import json,sys; print(json.load(sys.stdin)["frames"])'; }

# Preferences of their own, so that the user's stay untouched. In a sanitized build the X and font
# libraries' memory, kept to the end, is no leak of ours.
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
"$gui" >"$work/gui.log" 2>&1 &
app=$!
pids+=("$app")

start="$(window_named Reelmaker)" || true
picture start
check "the start window shows" test -n "$start"

# File > Open... (Ctrl+O), a frame typed into the panel.
keys "$start" ctrl+o
panel="$(window_named 'Open Frame')" || true
check "Open... shows its panel" test -n "$panel"
type_into "$panel" "$work/shots/shot_0001.dpx"
doc="$(window_named shot_0001.dpx)" || true
picture opened
check "the frame opens in its window" test -n "$doc"
read -r width height < <(geometry "$doc")
check "the window fits the screen (${width}x${height})" test "$width" -le 1920 -a "$height" -le 1080

# Step with the arrow keys, mark in and out.
keys "$doc" Right Right
check "Right steps to the next frames" has_window shot_0003.dpx
keys "$doc" i Right Right Right o
picture marked
check "I and O mark the range on the frame shown" has_window shot_0006.dpx
doc="$(window_named shot_0006.dpx)"

# Translate... (Ctrl+T) into a movie that completes.
keys "$doc" ctrl+t
sheet="$(window_named 'Save Movie')" || true
check "Translate... asks for the movie" test -n "$sheet"
type_into "$sheet" "$work/out/clip.mov"
check "the movie is written" file_appears "$work/out/clip.mov"
sleep 1
picture translated
check "the movie holds the marked range (4 frames)" test "$(movie_frames "$work/out/clip.mov")" = 4

# A long export, cancelled with Ctrl+T again: a complete, shorter movie.
keys "$doc" ctrl+o
panel="$(window_named 'Open Frame')" || true
type_into "$panel" "$work/long/long_00001.dpx"
long="$(window_named long_00001.dpx)" || true
check "the long sequence opens" test -n "$long"
keys "$long" ctrl+t
sheet="$(window_named 'Save Movie')" || true
type_into "$sheet" "$work/out/cut.mov"
sleep 0.3
keys "$long" ctrl+t
check "the cancelled movie is written" file_appears "$work/out/cut.mov"
sleep 1
picture cancelled
frames="$(movie_frames "$work/out/cut.mov" || echo 0)"
check "the cancelled movie is complete and shorter ($frames of 1000 frames)" test "$frames" -gt 0 -a "$frames" -lt 1000

# The same frame again: its window comes forward, no second one.
keys "$long" ctrl+o
panel="$(window_named 'Open Frame')" || true
type_into "$panel" "$work/shots/shot_0001.dpx"
sleep 1
picture opened-again
same="$(windows_named 'shot_00[0-9][0-9].dpx')"
check "the same sequence keeps one window ($same)" test "$same" = 1
check "Open Recent remembers both files" grep -q long_00001.dpx "$work/config/Reelmaker/Reelmaker.ini"

# A 2K sequence: its window opens with the picture in two thirds of the screen; maximised, the
# picture fills it; View > Actual Size (Ctrl+0) shows the frame's own pixels, Fit (Ctrl+9) fits.
keys "$long" ctrl+o
panel="$(window_named 'Open Frame')" || true
type_into "$panel" "$work/twok/twok_0001.dpx"
twok="$(window_named twok_0001.dpx)" || true
check "the 2K sequence opens" test -n "$twok"
sleep 1
read -r width height < <(geometry "$twok")
check "the 2K window suits the screen (${width}x${height})" \
  test "$width" -ge 1200 -a "$width" -le 1500 -a "$height" -le 1080
picture twok-fitted
keys "$twok" ctrl+0
sleep 0.5
picture twok-actual-size
keys "$twok" ctrl+9
title_bar_double_click "$twok"
read -r width height < <(geometry "$twok")
check "the maximised window fills the screen (${width}x${height})" test "$width" -ge 1900
picture twok-maximised
keys "$twok" ctrl+0
sleep 0.5
picture twok-maximised-actual-size
keys "$twok" ctrl+9
title_bar_double_click "$twok"
read -r width height < <(geometry "$twok")
check "a second double click gives the window its size again (${width}x${height})" test "$width" -lt 1900
# The size the user gives a window is the next window's.
xdotool windowsize "$twok" 1000 700
sleep 1
keys "$twok" ctrl+o
panel="$(window_named 'Open Frame')" || true
type_into "$panel" "$work/again/again_0001.dpx"
again="$(window_named again_0001.dpx)" || true
sleep 1
read -r width height < <(geometry "$again")
check "the next window opens at the size the user gave the last one (${width}x${height})" \
  test "$width" = 1000 -a "$height" = 700
picture next-window-at-the-users-size

# Preferences open, then Quit: one press ends the application.
keys "$long" ctrl+comma
prefs="$(window_named Preferences)" || true
picture preferences
check "Preferences shows" test -n "$prefs"
keys "$prefs" ctrl+q
ended=1
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || { ended=0; break; }; sleep 0.1; done
check "one Quit ends the application with Preferences open" test "$ended" = 0
status=0
wait "$app" || status=$?
check "the application exits with status 0" test "$status" = 0
check "no temporary file is left" test -z "$(find "$work/out" -name '.*.part')"

echo "gui_drive: $step pictures in $out"
[ "$failures" -eq 0 ] || { echo "gui_drive: $failures step(s) failed" >&2; exit 1; }
