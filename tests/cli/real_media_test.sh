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

# On exFAT names are one in any letter case, beyond ASCII too: a re-split of a renamed file
# finds its earlier split, and a script naming one piece in two spellings is refused.
check_case_folding() {
    local m=$work/mnt-exfat
    mkdir "$m/cases"
    head -c 160000 /dev/urandom >"$work/Data.iso"
    "$morsela" split --checksum -q "$work/Data.iso" 40 "$m/cases" || fail "exfat: split of Data.iso"
    mv "$work/Data.iso" "$work/data.iso"
    truncate -s 100000 "$work/data.iso"
    "$morsela" split -q "$work/data.iso" 40 "$m/cases" || fail "exfat: re-split of data.iso"
    [[ ! -e "$m/cases/Data.004" ]] || fail "exfat: the earlier Data.004 is still there"
    [[ ! -e "$m/cases/data.iso.sha256" ]] || fail "exfat: the earlier checksum file is still there"
    "$morsela" join -q "$m/cases/data.bat" -o "$work/rejoined.iso" || fail "exfat: join data.bat"
    cmp -s "$work/data.iso" "$work/rejoined.iso" || fail "exfat: the rejoined data.iso differs"
    printf 'piece' >"$m/cases/x"$'\xc3\xa9'".001"
    printf 'copy /b x\xc3\xa9.001+x\xc3\x89.001 twice.bin\r\n' >"$m/cases/twice.bat"
    "$morsela" join -q "$m/cases/twice.bat" 2>/dev/null && fail "exfat: one piece joined twice"
    ((failures == 0)) && echo "ok: exfat compares names in any case"
}

# FAT keeps no file of 4 GiB: a split into larger pieces is refused before its first byte.
check_fat_limit() {
    local m=$work/mnt-fat
    truncate -s 4608M "$work/big.bin"
    local err
    err=$("$morsela" split "$work/big.bin" 4G "$m" 2>&1 >/dev/null) && fail "fat: 4G pieces accepted"
    [[ $err == *"largest file"* ]] || fail "fat: the refusal does not say why: $err"
    [[ -z $(ls "$m" | grep '^big') ]] || fail "fat: the refused split wrote something"
    rm -f "$work/big.bin"
    ((failures == 0)) && echo "ok: fat refuses pieces above its largest file"
}

truncate -s 64M "$work/exfat.img" "$work/fat.img"
mkdir "$work/mnt-exfat" "$work/mnt-fat"
mkfs.exfat "$work/exfat.img" >/dev/null || skip "mkfs.exfat failed"
loop=$(losetup -f --show "$work/exfat.img" 2>/dev/null) || skip "no loop device for the exFAT image"
mount.exfat-fuse "$loop" "$work/mnt-exfat" >/dev/null 2>&1 || skip "cannot mount exFAT through FUSE"
check_stick exfat "café.bin"  # a name beyond ASCII
check_case_folding
mkfs.fat "$work/fat.img" >/dev/null || skip "mkfs.fat failed"
fusefat -o rw+ "$work/fat.img" "$work/mnt-fat" >/dev/null 2>&1 || skip "cannot mount FAT through FUSE"
check_stick fat data.bin  # fusefat creates no names beyond ASCII
check_fat_limit
echo "$failures failed"
((failures == 0))
