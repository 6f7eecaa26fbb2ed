#!/usr/bin/env bash
# Configures (once) and builds incrementally into build/ (or $ZK_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${ZK_BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja ${ZK_CMAKE_ARGS:-}
fi
cmake --build "$BUILD_DIR" -j"$(nproc)"
