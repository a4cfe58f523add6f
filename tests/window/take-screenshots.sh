#!/bin/sh
# Takes the window screenshots of docs/ on a virtual display, with a real window manager so
# that the frame shows as a desktop draws it. Needs xvfb-run, openbox, xdotool, xprop,
# xwininfo and ImageMagick's import. Usage: tests/window/take-screenshots.sh [BUILD_DIR]
# (default build/); writes docs/window-*.png.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ -z "${INSIDE_XVFB:-}" ]; then
    export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
    INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi

vantrel="$build/window/vantrel"
docs="$root/docs"
# The pictures show the folders they were taken in: a neutral one, not the build machine's.
scratch="/home/user/recordings"
rm -rf "$scratch"
mkdir -p "$scratch/site-07"
cp "$root"/samples/*.txt "$scratch/site-07/"
long="site-07-north-ridge-repeater-channel-3-recording-2026-12-07-0815.txt"
cp "$root/samples/text-message.txt" "$scratch/$long"
cp "$root/samples/two-calls.txt" "$scratch/"

openbox >/dev/null 2>&1 &
wm=$!
sleep 1

# Starts the window on a file and finds its client area on the screen (X, Y).
start() {
    "$vantrel" "$@" &
    pid=$!
    sleep 3
    window=$(xdotool search --name "^ ETSI" | head -1)
    X=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print $4}')
    Y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ {print $4}')
}
stop() { kill "$pid"; sleep 0.5; }
# The window with its frame, and whatever popup lies over it.
grab() {
    set -- "$1" $(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    import -window root -crop $((745 + $2 + $3))x$((516 + $4 + $5))+$((X - $2))+$((Y - $4)) \
        +repage "$docs/window-$1.png"
}

cd "$scratch/site-07"
start gps-positions.txt # from the command line: opened in its folder and decoded
grab short
xdotool mousemove $((X + 40)) $((Y + 77)) click 1 # "Debug (long info)"
xdotool mousemove $((X + 300)) $((Y + 300))
for notch in 1 2 3 4 5 6 7 8 9; do xdotool click 5; sleep 0.1; done
xdotool mousemove $((X + 250)) $((Y + 139)) # over the map link line
sleep 2.5
grab debug
xdotool click 3
sleep 1
xdotool key Up # "Open map"
sleep 0.5
grab map-menu
xdotool key Escape
stop

start gps-positions.txt
xdotool key Tab Down # into the file list, one name down
sleep 0.5
grab keyboard
stop

cd "$scratch"
start "$scratch/$long"
xdotool mousemove $((X + 640)) $((Y + 65)) # over the status label
sleep 2.5
grab long-name
stop

start "$scratch/missing.txt"
sleep 1
grab read-error
stop

kill "$wm"
rm -rf "$scratch"
