#!/usr/bin/env bash
# Takes a screenshot of the real window under Xvfb, for the README and doc/:
#   scripts/screenshot.sh build/bin/morsela-win doc/screenshot.png          after a split
#   scripts/screenshot.sh build/bin/morsela-win doc/scale-2.png scale2      the same at 2x
#   scripts/screenshot.sh build/bin/morsela-win doc/drives.png stick        the drive list
#       open on a stick mounted after the window started (needs root to mount)
#   scripts/screenshot.sh build/bin/morsela-win stop.png stop               a split under way
#       with "Stop the split?" over it
#   scripts/screenshot.sh build/bin/morsela-win tip.png tooltip             the size field's
#       tooltip
#   scripts/screenshot.sh build/bin/morsela-win doc/join.png join           the join window
#       opened on a rejoin script, before the join
#   scripts/screenshot.sh build/bin/morsela-win doc/join-2.png join-scale2  the same at 2x
#   scripts/screenshot.sh build/bin/morsela-win many.png many               the question
#       before a split of more than a thousand pieces
#   scripts/screenshot.sh build/bin/morsela-win missing.png join-missing    the join window
#       on pieces one of which is missing (join-missing-scale2: at 2x)
set -euo pipefail
morsela_win=$(realpath "$1")
output=$(realpath -m "$2")
mode=${3:-split}
"$(dirname "$0")/install-deps.sh" screenshot

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
exec 3>"$work/display"
screen=1024x768x24
if [[ $mode == scale2 || $mode == *-scale2 ]]; then
    export QT_SCALE_FACTOR=2
    screen=1600x1200x24
fi
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp >/dev/null 2>&1 &
for _ in $(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM

mkdir -p "$work/Downloads"
head -c 50000000 /dev/urandom >"$work/Downloads/holiday-photos.zip"
if [[ $mode == join* ]]; then
    # Pieces received with their script and checksum file, as the join window sees them.
    "$(dirname "$morsela_win")/morsela" split -q --checksum "$work/Downloads/holiday-photos.zip" \
        10M "$work/Downloads"
    rm "$work/Downloads/holiday-photos.zip"
    if [[ $mode == join-missing* ]]; then
        # A piece that did not arrive: the window says so in a box, then shows what it knows.
        rm "$work/Downloads/holiday-photos.003"
        (cd "$work/Downloads" && exec "$morsela_win" holiday-photos.bat) &
        box=$(timeout 20 xdotool search --sync --name '^Join Failed$' | head -n1)
        xdotool windowfocus --sync "$box"
        xdotool key Return
        window=$(timeout 20 xdotool search --sync --name '^Join holiday-photos.bat$' | head -n1)
        sleep 0.5
        import -window "$window" "$output"
        echo "wrote $output"
        exit 0
    fi
    (cd "$work/Downloads" && exec "$morsela_win" holiday-photos.bat) &
    window=$(timeout 20 xdotool search --sync --name '^Join holiday-photos.zip$' | head -n1)
    xdotool windowfocus --sync "$window"
    sleep 0.5
    import -window "$window" "$output"
    echo "wrote $output"
    exit 0
fi
(cd "$work/Downloads" && exec "$morsela_win") &
window=$(timeout 20 xdotool search --sync --name '^Morsela Win$' | head -n1)
xdotool windowfocus --sync "$window"
sleep 0.3
if [[ $mode == stick ]]; then
    # A stick comes in while the window is open; the drive list shows it when opened.
    stick=/media/HOLIDAY
    mkdir -p "$stick"
    mount -t tmpfs -o size=16g tmpfs "$stick"
    trap 'umount "$stick"; rmdir "$stick"; kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
    xdotool key Tab Tab Tab Tab Tab Tab  # to the drive list
    xdotool key alt+Down
    sleep 0.8
    import -window root "$work/root.png"
    convert "$work/root.png" -trim "$output"
    echo "wrote $output"
    exit 0
fi
# shot_of_screen: the whole screen, trimmed to what is on it, for boxes and tooltips.
shot_of_screen() {
    import -window root "$work/root.png"
    convert "$work/root.png" -trim "$output"
    echo "wrote $output"
}
xdotool type --delay 5 "$work/Downloads/holiday-photos.zip"
xdotool key Tab
if [[ $mode == tooltip ]]; then
    xdotool type --delay 5 "10M"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove $((X + WIDTH * 80 / 100)) $((Y + HEIGHT * 21 / 100))
    sleep 1.5
    shot_of_screen
    exit 0
fi
if [[ $mode == many ]]; then
    # 4 KB, a unit left off: 12,208 pieces, asked about before the split starts.
    xdotool type --delay 5 "4"
    xdotool key Tab space
    timeout 20 xdotool search --sync --name '^Many Pieces$' >/dev/null
    sleep 0.5
    shot_of_screen
    exit 0
fi
if [[ $mode == stop ]]; then
    # Pieces of 4 KB make a split long enough to be asked in; it waits for the answer.
    xdotool type --delay 5 "4"
    xdotool key Tab space
    many=$(timeout 20 xdotool search --sync --name '^Many Pieces$' | head -n1)
    xdotool windowfocus --sync "$many"
    sleep 0.3
    xdotool key alt+y
    for _ in $(seq 50); do xdotool search --name '^Many Pieces$' >/dev/null || break; sleep 0.1; done
    xdotool windowfocus --sync "$window"
    xdotool key alt+e
    question=$(timeout 20 xdotool search --sync --name '^Stop Split$' | head -n1)
    sleep 0.5
    shot_of_screen
    xdotool windowfocus --sync "$question"
    xdotool key alt+y
    stopped=$(timeout 20 xdotool search --sync --name '^Split Stopped$' | head -n1)
    xdotool windowfocus --sync "$stopped"
    xdotool key Return
    exit 0
fi
xdotool type --delay 5 "10240"
xdotool key Tab space
confirm=$(timeout 20 xdotool search --sync --name '^Split Confirmation$' | head -n1)
xdotool windowfocus --sync "$confirm"
xdotool key Return
sleep 0.5
import -window "$window" "$output"
echo "wrote $output"
