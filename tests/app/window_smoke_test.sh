#!/usr/bin/env bash
# End-to-end test of the real window in a real X server: types a source path and a size with
# real key events, presses "Do Stuff", confirms the "Split Confirmation" box, checks the
# pieces and the script; drags a file from another program onto the window and splits it;
# as root, mounts a stick while the window is open and splits onto it; then presses Alt+E
# and checks that the program has ended.
#   window_smoke_test.sh MORSELA_WIN DRAG_SOURCE
set -euo pipefail
morsela_win=$(realpath "$1")
drag_source=$(realpath "$2")
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
    [[ -n "${drag_pid:-}" ]] && kill "$drag_pid" 2>/dev/null || true
    [[ -n "${stick:-}" ]] && mountpoint -q "$stick" && umount "$stick"
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "window smoke test: $*" >&2; exit 1; }

# A private X server on the first free display number.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
[[ -s "$work/display" ]] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

head -c 300000 /dev/urandom >"$work/archive.zip"
mkdir "$work/run"
(cd "$work/run" && exec "$morsela_win") >"$work/app.log" 2>&1 &
app_pid=$!

window=$(timeout 20 xdotool search --sync --name '^Morsela Win$' | head -n1) ||
    fail "the window did not appear"
xdotool windowfocus --sync "$window"
sleep 0.3
# The focus starts in the file field; Tab leads to the size field and then to "Do Stuff".
xdotool type --delay 5 "$work/archive.zip"
xdotool key Tab
xdotool type --delay 5 "100"
xdotool key Tab space

confirm=$(timeout 20 xdotool search --sync --name '^Split Confirmation$' | head -n1) ||
    fail "no confirmation box: $(cat "$work/app.log")"
xdotool windowfocus --sync "$confirm"
xdotool key Return
for _ in $(seq 50); do xdotool search --name '^Split Confirmation$' >/dev/null || break; sleep 0.1; done

cd "$work/run"
[[ "$(printf 'copy /b archive.001+archive.002+archive.003 archive.zip\r\n')" == "$(cat archive.bat)" ]] ||
    fail "unexpected script: $(cat -A archive.bat)"
cat archive.001 archive.002 archive.003 | cmp - "$work/archive.zip" || fail "pieces differ"

# confirm_split: waits for the confirmation box and closes it.
confirm_split() {
    local box
    box=$(timeout 20 xdotool search --sync --name '^Split Confirmation$' | head -n1) ||
        fail "no confirmation box after $1: $(cat "$work/app.log")"
    xdotool windowfocus --sync "$box"
    xdotool key Return
    for _ in $(seq 50); do xdotool search --name '^Split Confirmation$' >/dev/null || break; sleep 0.1; done
}

# A file dragged from another program onto the file field names the source.
head -c 200000 /dev/urandom >"$work/dropped.bin"
"$drag_source" "$work/dropped.bin" >"$work/drag.log" 2>&1 &
drag_pid=$!
source_window=$(timeout 20 xdotool search --sync --name '^Drag Source$' | head -n1) ||
    fail "the drag source did not appear"
eval "$(xdotool getwindowgeometry --shell "$window")"
field_x=$((X + WIDTH * 3 / 4))
field_y=$((Y + HEIGHT / 20))
xdotool mousemove --window "$source_window" 80 40 mousedown 1
for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((700 + (field_x - 700) * step / 8)) $((500 + (field_y - 500) * step / 8))
    sleep 0.1
done
sleep 0.3
xdotool mouseup 1
sleep 0.5
xdotool windowfocus --sync "$window"
xdotool key Tab ctrl+a
xdotool type --delay 5 "100"
xdotool key Tab space
confirm_split "a dropped file"
[[ -f "$work/run/dropped.001" ]] || fail "the dropped file was not split: $(ls "$work/run")"

# A stick mounted while the window is open is in the drive list and takes the pieces.
if [[ $(id -u) -eq 0 ]] && mkdir -p "$work/STICK" && mount -t tmpfs -o size=8m tmpfs "$work/STICK"; then
    stick="$work/STICK"
    xdotool windowfocus --sync "$window"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    # The drive list and "Do Stuff" stand at fixed fractions of the window.
    xdotool mousemove $((X + WIDTH * 40 / 100)) $((Y + HEIGHT * 32 / 100)) click 1
    sleep 0.5
    xdotool type --delay 50 "STICK"
    xdotool key Return
    sleep 0.5
    xdotool mousemove $((X + WIDTH * 62 / 100)) $((Y + HEIGHT * 58 / 100)) click 1
    confirm_split "a split onto the stick"
    [[ -f "$stick/dropped.001" && -f "$stick/dropped.bat" ]] ||
        fail "no pieces on the stick mounted after start: $(ls "$stick")"
    umount "$stick"
    stick=""
else
    echo "window smoke test: not mounting a stick (needs root and tmpfs)"
fi

xdotool windowfocus --sync "$window"
xdotool key alt+e
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "Alt+E did not end the program"
wait "$app_pid" || fail "the program exited with status $?"
app_pid=""
echo "window smoke test passed"
