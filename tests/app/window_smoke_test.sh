#!/usr/bin/env bash
# End-to-end test of the real window in a real X server: types a source path and a size with
# real key events, presses "Do Stuff", confirms the "Split Confirmation" box, checks the
# pieces and the script, then presses Alt+E and checks that the program has ended.
#   window_smoke_test.sh MORSELA_WIN
set -euo pipefail
morsela_win=$(realpath "$1")
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
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

xdotool windowfocus --sync "$window"
xdotool key alt+e
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "Alt+E did not end the program"
wait "$app_pid" || fail "the program exited with status $?"
app_pid=""
echo "window smoke test passed"
