#!/usr/bin/env bash
# What a stick pulled the moment morsela says it is done keeps: an ext4 image, loop-mounted,
# is copied as it is on the device right after the split returns, and the copy, mounted
# again, must hold every piece, the script and the checksum file, whole. Skipped, with the
# reason, where loop devices cannot be used.
#   durable_split_test.sh MORSELA
set -uo pipefail
morsela=$(realpath "$1")
skip() { echo "skipped: $*"; exit 77; }
[[ $(id -u) -eq 0 ]] || skip "mounting images needs root"
command -v mkfs.ext4 >/dev/null || skip "mkfs.ext4 is not installed"
work=$(mktemp -d)
cleanup() {
    for m in "$work"/stick "$work"/copy; do mountpoint -q "$m" && umount "$m"; done
    rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/stick" "$work/copy"
truncate -s 400M "$work/stick.img"
mkfs.ext4 -q -F "$work/stick.img" || skip "mkfs.ext4 failed"
mount -o loop "$work/stick.img" "$work/stick" 2>/dev/null || skip "no loop device here"
head -c 150M /dev/urandom >"$work/film.mkv"

"$morsela" split --checksum -q "$work/film.mkv" 40M "$work/stick" || { echo "FAIL: the split failed"; exit 1; }
cp --sparse=always "$work/stick.img" "$work/pulled.img"  # what the stick holds right now

umount "$work/stick"
mount -o loop "$work/pulled.img" "$work/copy" || { echo "FAIL: the copy does not mount"; exit 1; }
failures=0
for name in film.001 film.002 film.003 film.004 film.bat film.mkv.sha256; do
    [[ -s "$work/copy/$name" ]] || { echo "FAIL: $name is not on the stick"; failures=$((failures + 1)); }
done
cat "$work"/copy/film.00? | cmp -s - "$work/film.mkv" || { echo "FAIL: the pieces differ"; failures=$((failures + 1)); }
(cd "$work/copy" && sha256sum --quiet -c <(grep -v ' film.mkv$' film.mkv.sha256)) ||
    { echo "FAIL: the checksum file does not match"; failures=$((failures + 1)); }
((failures == 0)) && echo "ok: every piece, the script and the checksum file were on the stick"
((failures == 0))
