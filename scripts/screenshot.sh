#!/usr/bin/env bash
# Takes a screenshot of the real window under Xvfb after a split, for the README.
#   scripts/screenshot.sh build/bin/morsela-win doc/screenshot.png
set -euo pipefail
morsela_win=$(realpath "$1")
output=$(realpath -m "$2")
"$(dirname "$0")/install-deps.sh" screenshot

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
for _ in $(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM

mkdir -p "$work/Downloads"
head -c 50000000 /dev/urandom >"$work/Downloads/holiday-photos.zip"
(cd "$work/Downloads" && exec "$morsela_win") &
window=$(timeout 20 xdotool search --sync --name '^Morsela Win$' | head -n1)
xdotool windowfocus --sync "$window"
sleep 0.3
xdotool type --delay 5 "$work/Downloads/holiday-photos.zip"
xdotool key Tab
xdotool type --delay 5 "10240"
xdotool key Tab space
confirm=$(timeout 20 xdotool search --sync --name '^Split Confirmation$' | head -n1)
xdotool windowfocus --sync "$confirm"
xdotool key Return
sleep 0.5
import -window "$window" "$output"
echo "wrote $output"
