#!/usr/bin/env bash
# Installs what is missing, builds incrementally and starts the tool. Without any serial
# adapter attached the tool starts with its simulated motor; without a display it runs
# under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
BUILD_DIR=${ZK_BUILD_DIR:-build}
args=("$@")
if ! compgen -G "/dev/ttyUSB*" >/dev/null && ! compgen -G "/dev/ttyACM*" >/dev/null; then
  args=(--simulate "${args[@]}")
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$BUILD_DIR/zktool" "${args[@]}"
fi
exec "$BUILD_DIR/zktool" "${args[@]}"
