#!/usr/bin/env bash
# Installs everything the tool and its tests need on Debian 12 (with --fuzz, also what
# the fuzz targets need). Safe to run again: it only calls apt-get when a package is
# missing.
set -euo pipefail

PKGS=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-charts-dev qt6-serialport-dev qt6-serialbus-dev qt6-5compat-dev
  qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools libgl-dev
  libqt6opengl6-dev
  libfftw3-dev libusb-1.0-0-dev libudev-dev
  libbenchmark-dev
  xvfb xauth fonts-noto-cjk
  python3-can
)

# --fuzz: also what the libFuzzer targets of fuzz/ need (clang and its fuzzer runtime).
if [ "${1:-}" = "--fuzz" ]; then
  PKGS+=(clang libclang-rt-dev)
fi

missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1
  fi
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
