#!/usr/bin/env bash
# The one entry point a fresh machine needs: only bash and apt (with sudo for a normal user).
# Installs what building and testing need, make included, then runs the Makefile target.
#   ./build.sh run     builds and opens the window
#   ./build.sh test    builds and runs every test headless
#   ./build.sh TARGET  any other Makefile target (bench, package, check-windows, ...)
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
exec make "${@:-build}"
