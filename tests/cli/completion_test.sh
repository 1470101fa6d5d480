#!/usr/bin/env bash
# Bash completion of morsela: commands, the options each command takes, names with blanks as
# one word, and for join and verify directories and the files that read like rejoin scripts,
# whatever their names end in.
#   completion_test.sh COMPLETION_FILE
set -euo pipefail
source "$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir dir "my dir"
printf 'copy /b a.001+a.002 a.zip\r\n' >a.bat
printf 'copy /b "holiday photos.001" "holiday photos.zip"\r\n' >"holiday photos.bat"
printf 'copy /b notes.tar001+notes.tar002 notes.tar.gz\r\n' >notes.tarbat  # an old split
printf '\xef\xbb\xbf@echo off\r\n@chcp 65001>nul\r\nrem made by hand\r\n\r\nCOPY /B c.001 c.zip\r\n' >upper.cmd
printf '@echo off\r\necho hello\r\n' >hello.bat        # a batch file, but no rejoin script
printf 'copy a.001 a.zip\r\n' >plain-copy.bat          # a copy without /b
head -c 5000 /dev/urandom >c.bin
touch photos.7z.001 photos.7z.002                      # a series without a script
touch empty.bat
mkfifo pipe.bat                                        # never read: it would block
complete_line() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _morsela
    ((${#COMPREPLY[@]} == 0)) || printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' '|'
}
failures=0
expect() {
    local want=$1
    shift
    local got
    got=$(complete_line "$@")
    if [[ "$got" != "$want" ]]; then
        echo "completing '$*': got '$got', want '$want'"
        failures=$((failures + 1))
    fi
}
expect "split|" morsela sp
expect "join|" morsela j
expect "--help|--version|" morsela --
# Scripts by what they hold, directories, and nothing else; a name with blanks is one word.
expect "a.bat|dir|holiday photos.bat|my dir|notes.tarbat|photos.7z.001|upper.cmd|" morsela join ""
expect "photos.7z.001|" morsela verify "pho"
expect "holiday photos.bat|" morsela join "hol"
expect "holiday photos.bat|" morsela verify -q "hol"
expect "my dir|" morsela join a.bat -o "my"
# Each command offers only its own options, and none after "--".
expect "--checksum|" morsela split --ch
expect "--no-sync|" morsela split --no
expect "--no-verify|" morsela join --no
expect "" morsela verify --no
expect "" morsela verify --f
expect "--force|" morsela split --f
expect "--force|" morsela join --f
expect "-q|" morsela verify -q
expect "" morsela split -- -
# split: any file for SOURCE, nothing for SIZE or the -n count, a directory for OUTDIR.
expect "holiday photos.bat|" morsela split "holiday"
expect "a.bat|" morsela split "a."
expect "" morsela split a.bat ""
expect "dir|my dir|" morsela split a.bat 1K ""
expect "" morsela split -n ""
expect "dir|my dir|" morsela split -n 3 a.bat ""
expect "dir|my dir|" morsela split -v -- a.bat 1K ""
echo "$failures failed"
((failures == 0)) && echo "completion: all cases passed"
