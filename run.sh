#!/usr/bin/env bash
# Installs what is missing, builds, and renders the demo drawing.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
build/kresbon-render --depth 24 --output demo.bmp resources/demo.krs
echo "The demo drawing is in $(pwd)/demo.bmp"
