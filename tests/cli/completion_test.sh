#!/usr/bin/env bash
# Bash completion of morsela: commands, options, and only scripts (and directories) for join.
#   completion_test.sh COMPLETION_FILE
set -euo pipefail
source "$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir dir
touch a.bat b.BAT c.bin
complete_line() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _morsela
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
expect() {
    local want=$1
    shift
    local got
    got=$(complete_line "$@")
    [[ "$got" == "$want" ]] || { echo "completing '$*': got '$got', want '$want'"; exit 1; }
}
expect "split " morsela sp
expect "join " morsela j
expect "a.bat b.BAT dir " morsela join ""
expect "--checksum " morsela split --ch
expect "--no-verify " morsela join --no
expect "a.bat b.BAT c.bin dir " morsela split ""
echo "completion: all cases passed"
