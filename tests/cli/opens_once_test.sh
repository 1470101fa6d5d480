#!/usr/bin/env bash
# What morsela looks at, it looks at once: a join of three pieces with a checksum file opens
# the script, each piece, the checksum file and the folder once each (a folder opened a
# second time by its path may by then be another one), and a split lists its output folder
# once, and a join's output folder given by -o is looked at once. Counted by strace on the
# real binary. Skipped without strace.
#   opens_once_test.sh MORSELA
set -uo pipefail
morsela=$(realpath "$1")
command -v strace >/dev/null || { echo "skipped: strace is not installed"; exit 77; }
# LeakSanitizer cannot work under ptrace; the sanitizer build runs the binary traced too.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

# How many times the trace opens `name`: by a path ending in it, or by it in a folder.
opens() { grep -cE "open(at)?\(.*\"([^\"]*/)?$2\"" "$1"; }
expect_once() {
    local count
    count=$(opens "$1" "$2")
    [[ $count -eq 1 ]] && ok "$3 opens $2 once" || fail "$3 opens $2 $count times"
}

mkdir "$work/pieces" "$work/out"
head -c 3000 /dev/urandom >"$work/film.mkv"
strace -f -y -o "$work/split.trace" -e trace=openat,open,getdents64 \
    "$morsela" split -q --checksum "$work/film.mkv" 1K "$work/pieces" ||
    fail "the split failed"
# A listing reads the folder's entries until it gets none; a small folder takes one read.
listings=$(grep -E "getdents64\([0-9]+<$work/pieces>" "$work/split.trace" | grep -cv '= 0$')
[[ $listings -eq 1 ]] && ok "a split lists its output folder once" ||
    fail "a split lists its output folder $listings times"
rm "$work/film.mkv"

for input in film.001 film.bat; do
    rm -f "$work/pieces/film.mkv"
    strace -f -o "$work/join.trace" -e trace=openat,open \
        "$morsela" join -q "$work/pieces/$input" || fail "join $input failed"
    cmp -s "$work/pieces/film.mkv" <(cat "$work"/pieces/film.00[123]) ||
        fail "join $input joined other bytes"
    for name in film.bat film.001 film.002 film.003 film.mkv.sha256 pieces/; do
        expect_once "$work/join.trace" "$name" "join $input"
    done
done

# The folder given with -o is looked at once (stat or open, by any path that ends in it):
# whether it is a directory is decided from what that look opened, and the join writes into
# the folder it opened then.
strace -f -o "$work/out.trace" -e trace=openat,open,stat,lstat,newfstatat,statx,access,faccessat \
    "$morsela" join -q "$work/pieces/film.bat" -o "$work/out" || fail "join -o failed"
cmp -s "$work/out/film.mkv" <(cat "$work"/pieces/film.00[123]) || fail "join -o joined other bytes"
looks=$(grep -cE '"([^"]*/)?out/?"' "$work/out.trace")
[[ $looks -eq 1 ]] && ok "join -o looks at the output folder once" ||
    fail "join -o looks at the output folder $looks times"

echo "$failures failures"
[[ $failures -eq 0 ]]
