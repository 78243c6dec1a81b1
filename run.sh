#!/usr/bin/env bash
# Installs what is missing, builds, and shows the demo drawing: in the
# desktop program when a display is there, else rendered without a window.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]] && [[ -x build/src/shell/kresbon ]]; then
  echo "Starting the desktop program on the demo script."
  exec build/src/shell/kresbon build/src/shell/demo.krs
fi

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): rendering the demo without a window."
else
  echo "The desktop program was not built: rendering the demo without a window."
fi
build/kresbon-render --depth 24 --output demo.bmp resources/demo.krs
echo "The demo drawing is in $(pwd)/demo.bmp"
