#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Morsela need, and only
# those that are missing. Runs apt-get as root, or through sudo when that is available.
#   scripts/install-deps.sh         what make run and make test need
#   scripts/install-deps.sh fuzz    clang and libFuzzer for make fuzz
#   scripts/install-deps.sh package dpkg-shlibdeps and lintian for make package
#   scripts/install-deps.sh ci      the checks CI runs besides the tests, Wine and FUSE tools
#   scripts/install-deps.sh windows Wine, whose cmd runs the rejoin scripts in the tests
#   scripts/install-deps.sh media   exFAT, FAT and XFS tools for the tests on stick file systems
#   scripts/install-deps.sh bench   XFS, exFAT and FAT tools for the benchmark on shared extents
#                                   and sticks, and par2 to compare recovery files with
set -euo pipefail

packages=(
    cmake ninja-build g++ make pkg-config
    qt6-base-dev libgl-dev libcli11-dev libgtest-dev libssl-dev libdeflate-dev
    fonts-dejavu-core xvfb xauth xdotool desktop-file-utils shared-mime-info xdg-utils
    libglib2.0-bin par2
    dbus-daemon at-spi2-core python3-pyatspi strace
)
case "${1:-}" in
    fuzz) packages=(cmake ninja-build pkg-config clang libclang-rt-dev libssl-dev libdeflate-dev) ;;
    package) packages=(dpkg-dev file lintian) ;;
    ci) packages=(clang-format appstream git wine exfat-fuse exfatprogs fusefat dosfstools 7zip xfsprogs) ;;
    windows) packages=(wine) ;;
    media) packages=(exfat-fuse exfatprogs fusefat dosfstools 7zip xfsprogs) ;;
    bench) packages=(xfsprogs exfat-fuse exfatprogs fusefat dosfstools par2) ;;
    screenshot) packages+=(imagemagick) ;;
esac

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
    run=()
elif command -v sudo >/dev/null 2>&1; then
    run=(sudo)
else
    echo "morsela: these packages are missing and I cannot install them without root or sudo:" >&2
    echo "  ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -qq
"${run[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
