#!/usr/bin/env bash
# Splits and joins on the file systems of USB sticks, mounted for real through FUSE: exFAT
# (exfat-fuse, on a loop device) and FAT (fusefat). On these, names differ only in letter
# case refer to one file, so a source INSTALL.BAT must be refused rather than overwritten by
# its script INSTALL.bat. Skipped, with the reason, where mounting is not possible.
#   real_media_test.sh MORSELA
set -uo pipefail
morsela=$(realpath "$1")
skip() { echo "skipped: $*"; exit 77; }
[[ $(id -u) -eq 0 ]] || skip "mounting images needs root"
[[ -c /dev/fuse ]] || skip "no /dev/fuse"
for tool in mount.exfat-fuse mkfs.exfat fusefat mkfs.fat losetup; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (make check-media installs it)"
done
work=$(mktemp -d)
loop=""
cleanup() {
    for m in "$work"/mnt-*; do mountpoint -q "$m" && umount "$m"; done
    [[ -n "$loop" ]] && losetup -d "$loop"
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# check_stick NAME SOURCE: the stick is mounted at $work/mnt-NAME; SOURCE names the file
# split onto it.
check_stick() {
    local m=$work/mnt-$1 source=$2 stem=${2%???}
    # A source named like its own script in another case is refused, and stays as it was.
    printf 'echo the original\r\n' >"$m/INSTALL.BAT"
    if "$morsela" split "$m/INSTALL.BAT" 1 "$m" >/dev/null 2>&1; then
        fail "$1: INSTALL.BAT was split onto itself"
    fi
    [[ $(cat "$m/INSTALL.BAT") == $'echo the original\r' ]] || fail "$1: INSTALL.BAT was changed"
    # An ordinary split and join are exact.
    head -c 300000 /dev/urandom >"$work/$source"
    "$morsela" split "$work/$source" 40 "$m" >/dev/null || fail "$1: the split failed"
    "$morsela" join "$m/${stem}bat" >/dev/null || fail "$1: the join failed"
    cmp -s "$work/$source" "$m/$source" || fail "$1: the joined file differs"
    ((failures == 0)) && echo "ok: $1"
}

truncate -s 64M "$work/exfat.img" "$work/fat.img"
mkdir "$work/mnt-exfat" "$work/mnt-fat"
mkfs.exfat "$work/exfat.img" >/dev/null || skip "mkfs.exfat failed"
loop=$(losetup -f --show "$work/exfat.img" 2>/dev/null) || skip "no loop device for the exFAT image"
mount.exfat-fuse "$loop" "$work/mnt-exfat" >/dev/null 2>&1 || skip "cannot mount exFAT through FUSE"
check_stick exfat "café.bin"  # a name beyond ASCII
mkfs.fat "$work/fat.img" >/dev/null || skip "mkfs.fat failed"
fusefat -o rw+ "$work/fat.img" "$work/mnt-fat" >/dev/null 2>&1 || skip "cannot mount FAT through FUSE"
check_stick fat data.bin  # fusefat creates no names beyond ASCII
echo "$failures failed"
((failures == 0))
