#!/usr/bin/env bash
# The programs carry none of the hooks that make file calls fail for the tests: nm finds
# them in a test program, so that the search is known to see them, and in no program.
#   no_fault_hooks_test.sh TEST_PROGRAM PROGRAM...
set -uo pipefail
command -v nm >/dev/null || { echo "skipped: nm is not installed"; exit 77; }
hooks='injectFault|runBeforeCall|callsSinceInjection|simulateSlowMedium'
failures=0
found=$(nm -C "$1" | grep -cE "morsela::sys::($hooks)\(")
if [[ $found -lt 4 ]]; then
    echo "FAIL: $1 shows $found of the 4 hooks; the search cannot be trusted"
    failures=$((failures + 1))
fi
shift
for program in "$@"; do
    symbols=$(nm -C "$program") || { echo "FAIL: nm cannot read $program"; exit 1; }
    if held=$(grep -E "$hooks" <<<"$symbols"); then
        echo "FAIL: $program holds fault hooks:"
        echo "$held"
        failures=$((failures + 1))
    else
        echo "ok: $program holds no fault hooks"
    fi
done
echo "$failures failures"
[[ $failures -eq 0 ]]
