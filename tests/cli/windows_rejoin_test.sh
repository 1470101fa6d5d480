#!/usr/bin/env bash
# The rejoin scripts that morsela writes, run by a real Windows command interpreter (Wine's
# cmd): each rebuilds its file byte for byte, also past the interpreter's 8191-character
# line, and names the interpreter would misread stay names. Skipped when Wine is missing.
#   windows_rejoin_test.sh MORSELA
set -euo pipefail
morsela=$(realpath "$1")
command -v wine >/dev/null || { echo "wine is not installed: make check-windows installs it"; exit 77; }
work=$(mktemp -d)
# Wine's server may still write into the prefix for a moment after the last command.
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; rm -rf "$work" 2>/dev/null || true' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# rejoin NAME BYTES SIZE [ENCODING [OWN]]: splits, runs the script under cmd, compares the
# bytes. With OWN the script runs under its own name, as a double-click runs it.
rejoin() {
    local name=$1 bytes=$2 size=$3 encoding=${4:-} own=${5:-}
    local case_dir="$work/case$RANDOM"
    mkdir -p "$case_dir/in" "$case_dir/out"
    head -c "$bytes" /dev/urandom >"$case_dir/in/$name"
    "$morsela" split "$case_dir/in/$name" "$size" "$case_dir/out" >/dev/null
    local script=("$case_dir"/out/*.bat)
    local longest
    longest=$(awk '{ if (length($0) > n) n = length($0) } END { print n }' "${script[0]}")
    ((longest <= 8192)) || fail "$name: a line of $longest characters"
    # Run under a plain name: how cmd /c takes a file name with blanks or "&" from a Linux
    # shell is no matter of the script (on Windows it is double-clicked).
    local run=run.bat
    cp "${script[0]}" "$case_dir/out/run.bat"
    [[ -n "$own" ]] && run=$(basename "${script[0]}")
    if [[ -n "$encoding" ]]; then
        # Wine's cmd has no UTF-8 console: check the code page line, then run the rest in
        # the prefix's own code page.
        [[ $(head -n1 "${script[0]}") == $'@chcp 65001>nul\r' ]] || fail "$name: no chcp line"
        tail -n +2 "${script[0]}" | iconv -f UTF-8 -t "$encoding" >"$case_dir/out/run.bat"
    fi
    (cd "$case_dir/out" && wine cmd /c "$run" >"$case_dir/cmd.log" 2>&1) || true
    if cmp -s "$case_dir/in/$name" "$case_dir/out/$name"; then
        echo "ok: $name ($(grep -c . "${script[0]}") script lines, longest $longest)"
    else
        fail "$name: the rejoined file differs; cmd said:"
        tail -n 5 "$case_dir/cmd.log" | cut -c1-200
    fi
    [[ ! -e "$case_dir/out/PWNED" ]] || fail "$name: a part of the name ran as a command"
}

wine cmd /c exit >/dev/null 2>&1 || true  # makes the prefix once
wineserver -w  # and waits until it is complete
rejoin archive.zip 3000 1
rejoin archive.zip 700 0.0009765625          # 700 pieces: past 8191 characters
rejoin "my file (1).bin" 3000 1
rejoin "a&b!c^d.bin" 3000 1
rejoin "100%.bin" 3000 1
rejoin "q&mkdir PWNED&echo xx.txt" 400 0.0009765625  # names cut at 8191 would run commands
rejoin "résumé.pdf" 3000 1 CP437
# Extensions that are not three characters long: the script still ends in .bat and runs.
rejoin report.docx 3000 1 "" own
rejoin photo.jpeg 3000 1 "" own
rejoin x.7z 3000 1 "" own
echo "$failures failed"
((failures == 0))
