#!/usr/bin/env bash
# Draws the main window on the bundled samples/ folder into docs/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build >/dev/null
mkdir -p docs
build/tests/gui_screenshot docs/screenshot.png samples "$@"
echo "docs/screenshot.png"
