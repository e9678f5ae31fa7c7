#!/usr/bin/env bash
# Installs, as root on Debian bookworm, every package the builds and tests need: the native
# toolchain and test libraries, clang for the fuzzers, the mingw-w64 cross compilers, Wine (64-
# and 32-bit: the 32-bit setup.exe runs in a 32-bit prefix) with a virtual X server for the
# end-to-end tests, and the image tools. Adds the i386 architecture to dpkg for the 32-bit Wine.
# Does nothing but a quick check when all of them are already installed.
set -euo pipefail

PACKAGES=(
  # native build and unit tests
  cmake ninja-build g++ pkg-config libgtest-dev googletest libmspack-dev gcab python3
  # the import check of setup.exe reads its import table (tools/check_imports.py)
  python3-pefile
  # parser fuzzers (preset fuzz): clang 14 and its runtime libraries, libFuzzer among them
  clang-14 libclang-rt-14-dev
  # cross build of setup.exe (g++ and windres for both Windows targets)
  mingw-w64 g++-mingw-w64-x86-64 g++-mingw-w64-i686
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  # Wine: the 64-bit loader (wine64) and the launcher, wineserver, wineboot and reg (wine, libwine),
  # and the 32-bit loader with its libraries (wine32:i386)
  wine wine64 libwine wine32:i386
  # virtual display and window tools for the Wine tests, image tools for resources
  xvfb xdotool x11-utils imagemagick
  # timing and peak memory for tools/bench.sh (not used by the tests)
  hyperfine time
)

# Prints the packages of PACKAGES that dpkg does not report as installed (one dpkg-query call).
# A name with an architecture (wine32:i386) must be installed for that architecture; a plain
# name for any.
missing_packages() {
  local installed
  installed=$(dpkg-query -W -f='${Package} ${Package}:${Architecture} ${Status}\n' "${PACKAGES[@]}" 2>/dev/null |
    awk '$3 == "install" && $4 == "ok" && $5 == "installed" { print $1; print $2 }' || true)
  local pkg
  for pkg in "${PACKAGES[@]}"; do
    grep -qxF "$pkg" <<<"$installed" || echo "$pkg"
  done
}

if ! command -v dpkg-query >/dev/null 2>&1; then
  echo "install-deps: no dpkg here; install by hand: ${PACKAGES[*]}" >&2
  exit 1
fi

mapfile -t MISSING < <(missing_packages)
if [[ ${#MISSING[@]} -eq 0 ]]; then
  echo "install-deps: all ${#PACKAGES[@]} packages are installed"
  exit 0
fi

echo "install-deps: missing: ${MISSING[*]}"
if [[ $(id -u) -ne 0 ]]; then
  echo "install-deps: run as root (or install the packages above yourself)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
# Packages of another architecture need it in dpkg's list before apt-get update reads its indexes.
for arch in $(printf '%s\n' "${MISSING[@]}" | sed -n 's/^[^:]*://p' | sort -u); do
  if [[ $arch != "$(dpkg --print-architecture)" ]] && ! dpkg --print-foreign-architectures | grep -qxF "$arch"; then
    echo "install-deps: dpkg --add-architecture $arch"
    dpkg --add-architecture "$arch"
  fi
done
echo "install-deps: apt-get update"
apt-get update -q </dev/null
echo "install-deps: apt-get install ${MISSING[*]}"
apt-get install -y -q -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold \
  "${MISSING[@]}" </dev/null

mapfile -t STILL < <(missing_packages)
if [[ ${#STILL[@]} -ne 0 ]]; then
  echo "install-deps: still missing after install: ${STILL[*]}" >&2
  exit 1
fi
echo "install-deps: done"
