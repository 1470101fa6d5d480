#!/usr/bin/env bash
# What a stick pulled the moment morsela says it is done keeps, on the file systems sticks
# carry: FAT32 through fusefat and exFAT through exfat-fuse, each on a loop device, and ext4
# and XFS through the kernel. "Pulled" is the image file copied right after the split returns; the
# copy, checked with fsck and read with 7-Zip, must hold every piece, the script and the
# checksum file, whole, and no piece of an earlier, longer split. Also: holes of a sparse
# source on a medium that cannot extend a file, and names the medium refuses or counts in
# UTF-16. Skipped, with the reason, where mounting is not possible.
#   pulled_stick_test.sh MORSELA
set -uo pipefail
morsela=$(realpath "$1")
skip() { echo "skipped: $*"; exit 77; }
[[ $(id -u) -eq 0 ]] || skip "mounting images needs root"
[[ -c /dev/fuse ]] || skip "no /dev/fuse"
for tool in mount.exfat-fuse mkfs.exfat fsck.exfat fusefat mkfs.fat fsck.fat losetup 7zz mkfs.ext4; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (make check-media installs it)"
done
work=$(mktemp -d)
loop=""
copyloop=""
cleanup() {
    for m in "$work/stick" "$work/copy"; do mountpoint -q "$m" && umount "$m"; done
    for l in "$loop" "$copyloop"; do [[ -n $l ]] && losetup -d "$l"; done
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
mkdir "$work/stick" "$work/look"

# plug KIND: a fresh stick of KIND mounted at $work/stick (XFS takes 300 MiB at least).
plug() {
    truncate -s "$([[ $1 == xfs ]] && echo 320M || echo 160M)" "$work/$1.img"
    case $1 in
        fat) mkfs.fat -F 32 "$work/fat.img" >/dev/null ;;
        exfat) mkfs.exfat "$work/exfat.img" >/dev/null ;;
        ext4) mkfs.ext4 -q -F "$work/ext4.img" ;;
        xfs) mkfs.xfs -q -f "$work/xfs.img" ;;
    esac || skip "mkfs for $1 failed"
    loop=$(losetup -f --show "$work/$1.img") || skip "no loop device"
    case $1 in
        fat) fusefat -o rw+ "$loop" "$work/stick" >/dev/null 2>&1 ;;
        exfat) mount.exfat-fuse "$loop" "$work/stick" >/dev/null 2>&1 ;;
        ext4 | xfs) mount "$loop" "$work/stick" ;;
    esac || skip "cannot mount $1"
}

unplug() {
    umount "$work/stick"
    losetup -d "$loop"
    loop=""
}

# pulled KIND: the image as it is now, in $work/look: read by 7-Zip (FAT) or mounted (exFAT,
# ext4, XFS). On FAT, fsck must find every file whole (a stick pulled while mounted keeps its dirty
# bit and may keep a stale free count or lost clusters; those lose nothing).
pulled() {
    cp --sparse=always "$work/$1.img" "$work/pulled.img"
    rm -rf "$work/look" && mkdir "$work/look"
    if [[ $1 == fat ]]; then
        fsck.fat -n "$work/pulled.img" 2>&1 | grep -iE 'chain|shorter|cross|truncat|size|free cluster' &&
            fail "$1: fsck finds a damaged file"
        (cd "$work/look" && 7zz x -y "$work/pulled.img" >/dev/null 2>&1) || fail "$1: 7-Zip cannot read the pulled stick"
    else
        mkdir -p "$work/copy"
        local ok=0
        if [[ $1 == exfat ]]; then
            fsck.exfat -n "$work/pulled.img" >"$work/fsck.txt" 2>&1 || fail "$1: fsck: $(tail -3 "$work/fsck.txt")"
            copyloop=$(losetup -f --show -r "$work/pulled.img") &&
                mount.exfat-fuse -o ro "$copyloop" "$work/copy" >/dev/null 2>&1 && ok=1
        else
            # The copy has the stick's UUID, which XFS refuses twice unless told.
            mount -o "loop$([[ $1 == xfs ]] && echo ,nouuid)" "$work/pulled.img" "$work/copy" && ok=1
        fi
        ((ok)) || fail "$1: the pulled stick does not mount"
        ((ok)) && cp -r "$work/copy/." "$work/look" && umount "$work/copy"
        [[ -n $copyloop ]] && losetup -d "$copyloop"
        copyloop=""
    fi
    rm -f "$work/pulled.img"
}

# check_stick KIND: a split with a checksum file, then a re-split into fewer pieces, each
# pulled at once.
check_stick() {
    plug "$1"
    head -c 20M /dev/urandom >"$work/film.mkv"
    "$morsela" split --checksum -q "$work/film.mkv" 3M "$work/stick" || fail "$1: the split failed"
    pulled "$1"
    [[ -s "$work/look/film.bat" ]] || fail "$1: the script is not on the pulled stick"
    (cd "$work/look" && grep -v ' film.mkv$' film.mkv.sha256 | sha256sum --quiet -c -) >/dev/null 2>&1 ||
        fail "$1: the pieces on the pulled stick do not match their checksum file"
    # A re-split of a shorter file into fewer pieces: the earlier last pieces are gone too.
    head -c 9M "$work/film.mkv" >"$work/short" && mv "$work/short" "$work/film.mkv"
    "$morsela" split -q "$work/film.mkv" 3M "$work/stick" || fail "$1: the re-split failed"
    pulled "$1"
    (cd "$work/look" && 7zz x -y film.001 -o"$work/rebuilt" >/dev/null 2>&1) || fail "$1: 7-Zip cannot join"
    cmp -s "$work/film.mkv" "$work/rebuilt/film" || fail "$1: 7-Zip rebuilt another file from the pulled stick"
    rm -rf "$work/rebuilt"
    [[ ! -e "$work/look/film.004" ]] || fail "$1: an earlier piece is left on the pulled stick"
    unplug
    ((failures == 0)) && echo "ok: $1: a stick pulled at once holds the split"
}

# FAT through FUSE cannot extend a file over a hole, and refuses names beyond ASCII.
check_fat_refusals() {
    plug fat
    truncate -s 12M "$work/sparse.img" && printf 'end' >>"$work/sparse.img"
    "$morsela" split -q "$work/sparse.img" 10M "$work/stick" || fail "fat: a sparse source was not split"
    cat "$work"/stick/sparse.0* | cmp -s - "$work/sparse.img" || fail "fat: the sparse source's pieces differ"
    head -c 1000 /dev/urandom >"$work/café.bin"
    local err
    err=$("$morsela" split "$work/café.bin" 1 "$work/stick" 2>&1 >/dev/null) && fail "fat: café.001 was made"
    [[ $err == *"stick/café.001: the medium refused this name"* ]] || fail "fat: the refusal blames another: $err"
    unplug
    ((failures == 0)) && echo "ok: fat: holes are written, a refused name is named"
}

# FAT with a checksum file while the kernel keeps dropping its cached pages, as under memory
# pressure: the pieces are read back from fusefat itself, which must not derail its writing
# (it did: SIGBUS, pieces cut short and vouched for).
check_fat_checksum_under_pressure() {
    [[ -w /proc/sys/vm/drop_caches ]] || { echo "skipped: fat under pressure: no drop_caches"; return; }
    plug fat
    head -c 24M /dev/urandom >"$work/disk.img"
    (while :; do echo 1 >/proc/sys/vm/drop_caches; sleep 0.02; done) &
    local dropper=$! status
    "$morsela" split --checksum -q "$work/disk.img" 4M "$work/stick"
    status=$?
    kill "$dropper" && wait "$dropper" 2>/dev/null
    ((status == 0)) || fail "fat: the split under pressure ended with status $status"
    pulled fat
    (cd "$work/look" && grep -v ' disk.img$' disk.img.sha256 | sha256sum --quiet -c -) >/dev/null 2>&1 ||
        fail "fat: under pressure, the checksum file vouches for what the stick does not hold"
    unplug
    ((failures == 0)) && echo "ok: fat: a checksum file under memory pressure"
}

# exFAT takes 255 UTF-16 units in a name, more bytes than that in UTF-8.
check_exfat_names() {
    plug exfat
    local name
    name=$(printf 'é%.0s' {1..125}).iso  # 254 bytes; its checksum file's 261, 136 characters
    head -c 2000 /dev/urandom >"$work/$name"
    "$morsela" split --checksum -q "$work/$name" 1 "$work/stick" || fail "exfat: a long name beyond ASCII was refused"
    [[ -e "$work/stick/$name.sha256" ]] || fail "exfat: the checksum file of a long name is missing"
    name=$(printf 'a%.0s' {1..250}).iso  # its checksum file's name has 261 characters
    head -c 2000 /dev/urandom >"$work/$name"
    local err
    err=$("$morsela" split --checksum -q "$work/$name" 1 "$work/stick" 2>&1)
    [[ $err == *"longer than file names"* ]] ||
        fail "exfat: a checksum file name of 261 characters was not refused"
    unplug
    ((failures == 0)) && echo "ok: exfat: names are counted in characters"
}

check_stick fat
check_stick exfat
check_stick ext4
if command -v mkfs.xfs >/dev/null; then
    check_stick xfs
else
    echo "skipped: xfs: mkfs.xfs is not installed (make check-media installs it)"
fi
check_fat_refusals
check_fat_checksum_under_pressure
check_exfat_names
echo "$failures failed"
((failures == 0))
