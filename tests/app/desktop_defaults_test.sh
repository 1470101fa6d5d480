#!/usr/bin/env bash
# The package as a desktop sees it once installed: it makes the package (cpack), unpacks it
# into a temporary root, builds the MIME and application caches there and asks the desktop's
# own tools (xdg-mime, gio) which program opens what. Morsela opens by default only what it
# registers for itself (rejoin scripts, known by their content, and first pieces), never a
# file of unknown type; and the package recommends bash-completion, which loads its
# completion. Exits 77 where the tools are missing.
#   desktop_defaults_test.sh BUILD_DIR
set -uo pipefail

build=$1
for tool in cpack dpkg-deb dpkg-shlibdeps xdg-mime gio update-mime-database \
    update-desktop-database; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: the package could not be made"
    exit 1
fi
deb=$(ls "$work"/package/morsela_*.deb)
recommends=$(dpkg-deb -f "$deb" Recommends)
[[ "$recommends" == *bash-completion* ]] ||
    fail "the package does not recommend bash-completion (Recommends: '$recommends')"

root="$work/root"
dpkg-deb -x "$deb" "$root"
share="$root/usr/share"
# The installed data first, the system's after it; no user or desktop settings of this
# machine take part.
export XDG_DATA_DIRS="$share:/usr/share"
export XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
export XDG_CONFIG_DIRS="$work/etc/xdg" HOME="$work/home"
# GIO offers only programs that it finds on the PATH, as the installed ones are.
export PATH="$root/usr/bin:$PATH"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CONFIG_DIRS"
update-mime-database "$share/mime" >/dev/null
update-desktop-database "$share/applications"

files="$work/files"
mkdir -p "$files"
printf 'copy /b film.001+film.002 film.mkv\r\n' >"$files/film.bat"
printf '@echo off\r\necho hello\r\n' >"$files/hello.bat"
head -c 4096 /dev/urandom >"$files/x.7z.002"
head -c 4096 /dev/urandom >"$files/download"
head -c 4096 /dev/urandom >"$files/holiday.001"

# Which desktop entry opens FILE by default, by each tool: "xdg-mime:ENTRY gio:ENTRY". The
# type is GIO's, from the MIME database (xdg-mime's generic way asks file(1), which knows
# none of the installed types).
default_for() {
    local type gio_default
    type=$(gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p')
    gio_default=$(gio mime "$type" 2>&1 | sed -n 's/^Default application for .*: //p')
    echo "type:$type xdg-mime:$(xdg-mime query default "$type") gio:$gio_default"
}
expect_default() {  # FILE ENTRY
    local got
    got=$(default_for "$files/$1")
    [[ "$got" == *" xdg-mime:$2 gio:$2" ]] || fail "$1 should open in $2: $got"
}
expect_not_ours() {  # FILE
    local got
    got=$(default_for "$files/$1")
    [[ "$got" != *morsela* ]] || fail "$1 should not open in Morsela by default: $got"
}

expect_default film.bat morsela-win-join.desktop
expect_default holiday.001 morsela-win-join.desktop
expect_not_ours hello.bat
expect_not_ours x.7z.002
expect_not_ours download
for type in application/octet-stream application/x-zerosize text/plain; do
    got="xdg-mime:$(xdg-mime query default "$type") gio:$(gio mime "$type" 2>&1 | head -1)"
    [[ "$got" != *morsela* ]] || fail "$type should not open in Morsela by default: $got"
done
# The menu entry stays a program that "Open With" can offer for any file.
grep -qx 'Exec=morsela-win %f' "$share/applications/morsela-win.desktop" ||
    fail "the menu entry does not open a file given to it"

if [[ $failures -gt 0 ]]; then
    exit 1
fi
echo "PASS: Morsela opens by default only its rejoin scripts and first pieces"
