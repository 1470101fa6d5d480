#!/usr/bin/env bash
# End-to-end test of the real window in a real X server: --help and --version answer without
# a display; the window opens on a source given on its command line, takes a size typed with
# real key events, "Do Stuff" is pressed, the "Split Confirmation" box confirmed, and the
# pieces and the script are checked; drags a file from another program onto the window and splits it;
# as root, mounts a stick while the window is open and splits onto it; then presses Alt+E
# during a split, answers Yes to "Stop the split?" and checks that the program has ended.
# On a private session bus it reads the window's accessible tree through AT-SPI meanwhile,
# as a screen reader would. Last, the desktop's way to the join window: the desktop entries and
# MIME types installed into a private data directory, a first piece opened with xdg-open (or
# the entry's command line), joined with Enter, and the bytes checked.
#   window_smoke_test.sh MORSELA_WIN DRAG_SOURCE
set -euo pipefail
here=$(dirname "$(realpath "$0")")

# The accessibility bridge needs a session bus of its own; without one the rest still runs.
if [[ -z ${MORSELA_SMOKE_BUS:-} ]]; then
    skip_tree() { echo "window smoke test: not reading the accessible tree ($1)"; }
    if ! command -v dbus-run-session >/dev/null; then
        skip_tree "dbus-run-session is not installed"
    elif [[ ! -e /usr/share/dbus-1/services/org.a11y.Bus.service ]]; then
        skip_tree "at-spi2-core is not installed"
    elif ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
        skip_tree "python3-pyatspi is not installed"
    elif ! dbus-run-session -- true 2>/dev/null; then
        skip_tree "a session bus cannot start here"
    else
        # A runtime directory of its own: the accessibility bus puts its socket there, and
        # another session's would otherwise take its place.
        XDG_RUNTIME_DIR=$(mktemp -d)
        export XDG_RUNTIME_DIR
        MORSELA_SMOKE_BUS=1 exec dbus-run-session -- "$0" "$@"
    fi
fi
if [[ -n ${MORSELA_SMOKE_BUS:-} ]]; then
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
fi
# read_tree CHECK...: checks the accessible tree, when there is a bus to read it on.
read_tree() {
    [[ -n ${MORSELA_SMOKE_BUS:-} ]] || return 0
    /usr/bin/python3 "$here/accessible_tree.py" "$@" || fail "the accessible tree is wrong"
}

morsela_win=$(realpath "$1")
drag_source=$(realpath "$2")
source_dir=$(realpath "$here/../..")
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
    [[ -n "${drag_pid:-}" ]] && kill "$drag_pid" 2>/dev/null || true
    [[ -n "${stick:-}" ]] && mountpoint -q "$stick" && umount "$stick"
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
    [[ -n ${MORSELA_SMOKE_BUS:-} && $XDG_RUNTIME_DIR == /tmp/* ]] && rm -rf "$XDG_RUNTIME_DIR"
    return 0
}
trap cleanup EXIT
fail() { echo "window smoke test: $*" >&2; exit 1; }

# A private X server on the first free display number.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
[[ -s "$work/display" ]] || fail "Xvfb did not start"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

# Help and version need no display, and open no window.
help=$(env -u DISPLAY "$morsela_win" --help) || fail "--help failed"
[[ $help == "Usage: morsela-win [FILE]"* ]] || fail "unexpected help: $help"
[[ $(env -u DISPLAY "$morsela_win" --version) == "morsela-win "[0-9]* ]] || fail "no version"
export DISPLAY=":$(head -n1 "$work/display")"

# The window opens with the file it is given in the file field, and the file's folder as
# the output directory; the focus is on the file field, so Tab leads to the size field and
# then to "Do Stuff".
mkdir "$work/run"
head -c 300000 /dev/urandom >"$work/run/archive.zip"
(cd "$work" && exec "$morsela_win" run/archive.zip) >"$work/app.log" 2>&1 &
app_pid=$!

window=$(timeout 20 xdotool search --sync --name '^Morsela Win$' | head -n1) ||
    fail "the window did not appear"
read_tree window
xdotool windowfocus --sync "$window"
sleep 0.3
xdotool key Tab
xdotool type --delay 5 "100"
xdotool key Tab space

confirm=$(timeout 20 xdotool search --sync --name '^Split Confirmation$' | head -n1) ||
    fail "no confirmation box: $(cat "$work/app.log")"
read_tree alert "Split Confirmation"
xdotool windowfocus --sync "$confirm"
xdotool key Return
for _ in $(seq 50); do xdotool search --name '^Split Confirmation$' >/dev/null || break; sleep 0.1; done
read_tree report

cd "$work/run"
[[ "$(printf 'copy /b archive.001+archive.002+archive.003 archive.zip\r\n')" == "$(cat archive.bat)" ]] ||
    fail "unexpected script: $(cat -A archive.bat)"
cat archive.001 archive.002 archive.003 | cmp - "$work/run/archive.zip" || fail "pieces differ"

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
    xdotool type --delay 50 "$stick"  # an item begins with its label, or its mount point
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

# Alt+E during a split asks whether to stop it; the split waits for the answer. Yes stops it
# after the current block, says what was left, and ends the program. Small pieces make a
# split long enough to be asked in.
head -c 64M /dev/urandom >"$work/big.bin"
xdotool windowfocus --sync "$window"
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + WIDTH * 3 / 4)) $((Y + HEIGHT / 20)) click 1 key ctrl+a
xdotool type --delay 5 "$work/big.bin"
xdotool key Tab ctrl+a
xdotool type --delay 5 "4"
xdotool key Tab space
# 16,384 pieces: asked about first, and Yes starts the split.
many=$(timeout 20 xdotool search --sync --name '^Many Pieces$' | head -n1) ||
    fail "a split of 16,384 pieces was not asked about: $(cat "$work/app.log")"
xdotool windowfocus --sync "$many"
sleep 0.3
xdotool key alt+y
for _ in $(seq 50); do xdotool search --name '^Many Pieces$' >/dev/null || break; sleep 0.1; done
xdotool windowfocus --sync "$window"
xdotool key alt+e
question=$(timeout 20 xdotool search --sync --name '^Stop Split$' | head -n1) ||
    fail "Alt+E during a split asked nothing: $(cat "$work/app.log")"
read_tree alert "Stop Split"
read_tree progress
xdotool windowfocus --sync "$question"
xdotool key alt+y
stopped=$(timeout 20 xdotool search --sync --name '^Split Stopped$' | head -n1) ||
    fail "no box says what the stop left: $(cat "$work/app.log")"
xdotool windowfocus --sync "$stopped"
xdotool key Return
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "Yes to stopping after Alt+E did not end the program"
wait "$app_pid" || fail "the program exited with status $?"
app_pid=""
[[ ! -e "$work/run/big.bat" ]] || fail "a stopped split wrote its script"
pieces=$(find "$work/run" -name 'big.[0-9]*' | wc -l)
((pieces < 16384)) || fail "the split was not stopped: $pieces pieces"

# The join from the desktop: the entries and MIME types as the package installs them, in a
# private data directory that the desktop's tools read first.
join_from_desktop() {
    local tool
    for tool in update-mime-database update-desktop-database; do
        command -v "$tool" >/dev/null || {
            echo "window smoke test: not joining from the desktop ($tool is not installed)"
            return 0
        }
    done
    export XDG_DATA_HOME="$work/xdg/data" XDG_CONFIG_HOME="$work/xdg/config"
    mkdir -p "$XDG_DATA_HOME/mime/packages" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME" \
        "$work/bin" "$work/received"
    cp "$source_dir/packaging/morsela.xml" "$XDG_DATA_HOME/mime/packages/"
    cp "$source_dir"/app/morsela-win*.desktop "$XDG_DATA_HOME/applications/"
    update-mime-database "$XDG_DATA_HOME/mime" >/dev/null
    update-desktop-database "$XDG_DATA_HOME/applications"
    ln -s "$morsela_win" "$work/bin/morsela-win"  # as installed: the entries run morsela-win
    export PATH="$work/bin:$PATH"
    # The pieces of the first split, received with their script; another batch file beside.
    cp "$work/run"/archive.00[123] "$work/run/archive.bat" "$work/received/"
    printf '@echo off\r\ndel /q *.tmp\r\n' >"$work/received/tidy.bat"
    local piece="$work/received/archive.001"
    if command -v gio >/dev/null && command -v xdg-open >/dev/null; then
        type_of() { gio info -a standard::content-type "$1" | sed -n 's/.*content-type: //p'; }
        default_for() { gio mime "$1" | sed -n '1s/.*: //p'; }
        [[ $(type_of "$piece") == application/x-morsela-first-piece ]] ||
            fail "archive.001 is of type $(type_of "$piece")"
        [[ $(type_of "$work/received/archive.bat") == application/x-morsela-rejoin-script ]] ||
            fail "archive.bat is of type $(type_of "$work/received/archive.bat")"
        local other_type
        other_type=$(type_of "$work/received/tidy.bat")
        [[ $other_type != application/x-morsela-rejoin-script ]] || fail "every .bat is a rejoin script"
        [[ $(default_for application/x-morsela-first-piece) == morsela-win-join.desktop ]] ||
            fail "first pieces open with $(default_for application/x-morsela-first-piece)"
        [[ $(default_for "$other_type") != morsela-win-join.desktop ]] ||
            fail "the join window opens every $other_type file"
        # As a file manager opens it: the desktop's default program for the piece's type.
        XDG_CURRENT_DESKTOP=GNOME xdg-open "$piece" >"$work/open.log" 2>&1 ||
            fail "xdg-open failed: $(cat "$work/open.log")"
    else
        echo "window smoke test: opening the piece with the entry's command line (no xdg-open or gio)"
        local exec_line
        exec_line=$(sed -n 's/^Exec=//p' "$XDG_DATA_HOME/applications/morsela-win-join.desktop")
        ${exec_line/\%f/$piece} >"$work/open.log" 2>&1 &
        app_pid=$!
    fi
    local join_window
    join_window=$(timeout 20 xdotool search --sync --name '^Join archive.zip$' | head -n1) ||
        fail "no join window: $(cat "$work/open.log")"
    read_tree join "Join archive.zip"
    xdotool windowfocus --sync "$join_window"
    sleep 0.3
    xdotool key Return  # the focus starts on Join
    for _ in $(seq 100); do [[ -f "$work/received/archive.zip" ]] && break; sleep 0.1; done
    cmp "$work/received/archive.zip" "$work/run/archive.zip" || fail "the joined file differs"
    read_tree joined
    local join_pid
    join_pid=$(xdotool getwindowpid "$join_window")
    xdotool key Escape  # Close, which ends the program
    for _ in $(seq 50); do kill -0 "$join_pid" 2>/dev/null || break; sleep 0.1; done
    ! kill -0 "$join_pid" 2>/dev/null || fail "Escape did not close the join window"
    echo "window smoke test: joined a first piece opened from the desktop"
}
join_from_desktop
echo "window smoke test passed"
