#!/usr/bin/env bash
# Numbered pieces as other tools make them, joined by `morsela join NAME.001`: 7-Zip's
# volumes (past the thousandth too) and the standard split tool's numeric suffixes; a gap
# refused, a series beside its script joined as the script says. And the other way round:
# 7-Zip combines morsela's own pieces, past the thousandth. Skipped without 7-Zip.
#   numbered_series_test.sh MORSELA
set -uo pipefail
morsela=$(realpath "$1")
command -v 7zz >/dev/null || { echo "skipped: 7-Zip (7zz, Debian's 7zip) is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

# 7-Zip's volumes of an archive, and a series of more than a thousand.
mkdir "$work/7z" && cd "$work/7z" || exit 1
head -c 2500000 /dev/urandom >photos.bin
7zz a -v1m -mx0 photos.7z photos.bin >/dev/null || fail "7zz could not make volumes"
cat photos.7z.0* >expected.7z
"$morsela" join -q photos.7z.001 || fail "join photos.7z.001"
cmp -s photos.7z expected.7z && ok "7-Zip's volumes" || fail "the joined archive differs"
head -c 1100000 /dev/urandom >many.bin
7zz a -v1k -mx0 many.7z many.bin >/dev/null
[[ -e many.7z.1000 ]] || fail "7zz made no thousandth volume"
"$morsela" join -q many.7z.001 -o many-joined.7z || fail "join many.7z.001"
7zz x -so many-joined.7z 2>/dev/null | cmp -s - many.bin && ok "1000+ volumes" ||
    fail "the archive of 1000+ volumes differs"

# The standard split tool's numeric suffixes; a gap; verify with a checksum file.
mkdir "$work/split" && cd "$work/split" || exit 1
head -c 3500000 /dev/urandom >file
sha256sum file >file.sha256
split -b 1M -d -a 3 --numeric-suffixes=1 file file.
mv file original
"$morsela" join -q file.001 || fail "join file.001"
cmp -s file original && ok "split -b pieces, checked against file.sha256" || fail "file differs"
rm file
mv file.003 elsewhere
err=$("$morsela" join file.001 2>&1) && fail "a gap was joined"
[[ $err == *"file.003: is missing, though file.004 is there"* ]] || fail "the gap: $err"
[[ ! -e file ]] || fail "a refused join left a file"
mv elsewhere file.003

# The standard split tool's series from 0 and of every width, whichever of its files is named;
# one from 1 named by a later piece. A file named that is not there, also beside a series of
# another width, is a failure, not a crash.
mkdir "$work/widths" && cd "$work/widths" || exit 1
head -c 2500000 /dev/urandom >data.bin
for width in 2 3 4; do
    mkdir "w$width" && split -d -a "$width" -b 1M data.bin "w$width/data.bin."
done
mkdir from1 && split -d -a 3 --numeric-suffixes=1 -b 1M data.bin from1/data.bin.
for named in w2/data.bin.00 w2/data.bin.01 w3/data.bin.000 w3/data.bin.001 w3/data.bin.002 \
    w4/data.bin.0000 w4/data.bin.0002 from1/data.bin.002; do
    out=$("$morsela" join "$named" -o joined 2>&1) || fail "join $named: $out"
    [[ $out == *"joined 3 pieces"* ]] || fail "join $named said: $out"
    cmp -s joined data.bin && ok "join $named" || fail "join $named differs"
    rm -f joined
done
(cd w3 && sha256sum data.bin.00? >data.bin.sha256)
"$morsela" verify -q w3/data.bin.001 || fail "verify w3/data.bin.001"
"$morsela" verify w3/data.bin.000 | grep -q "every piece is whole" || fail "verify from .000"
(cd w4 && sha256sum data.bin.000? >data.bin.sha256 && mv data.bin.0002 ../lost)
err=$("$morsela" join w4/data.bin.0000 2>&1) && fail "a series without its last was joined"
[[ $err == *"names data.bin.0002, which is not there"* ]] || fail "the lost last: $err"
mv lost w4/data.bin.0002
for named in nothing.001 w4/data.bin.001; do
    for verb in join verify; do
        err=$("$morsela" "$verb" "$named" 2>&1)
        status=$?
        [[ $status == 1 && $err == *"$named: No such file or directory" ]] ||
            fail "$verb $named: status $status, $err"
    done
done
ok "a first piece that is not there"
mv from1/data.bin.001 elsewhere
err=$("$morsela" join from1/data.bin.002 2>&1) && fail "a series without its first was joined"
[[ $err == *"lowest number beside it is data.bin.002; the pieces before it are missing"* ]] ||
    fail "the missing first: $err"
# split -d without -a widens its numbers past d.89 (d.9000, ...): never joined short.
mkdir wide && head -c 1000 /dev/urandom >wide/d && (cd wide && split -d -b 10 d d.)
err=$("$morsela" join wide/d.00 -o joined 2>&1) && fail "a widened series was joined"
[[ $err == *"d.90: is missing, though d.9000 is there"* ]] || fail "a widened series: $err"
head -c 5000 /dev/urandom >photo.jpg
err=$("$morsela" join photo.jpg 2>&1) && fail "a photo was joined"
[[ $err == *"photo.jpg: is neither a rejoin script nor a numbered piece (NAME.001)" ]] ||
    fail "a photo: $err"

# A series beside its script is joined as the script says; and 7-Zip joins morsela's pieces.
mkdir "$work/own" && cd "$work/own" || exit 1
head -c 10100 /dev/urandom >archive.zip
"$morsela" split -q --checksum archive.zip 0.009765625 . || fail "split archive.zip"  # 10 bytes
[[ -e archive.1010 ]] || fail "no thousandth piece"
mv archive.zip original.zip
"$morsela" verify -q archive.001 || fail "verify archive.001"
"$morsela" join -q archive.001 || fail "join archive.001"
cmp -s archive.zip original.zip && ok "a series beside its script" || fail "archive.zip differs"
7zz x -y archive.001 >/dev/null 2>&1 || fail "7zz x archive.001"
cmp -s archive original.zip && ok "7-Zip joins morsela's 1010 pieces" || fail "7-Zip's join differs"

echo "$failures failed"
((failures == 0))
