#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the bundled
# samples/ folder. Extra arguments go to the program instead of samples/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --run
scripts/build.sh build

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<'MESSAGE'
No display found: Quiltotrackery is a desktop program and needs one.
Run it under a virtual X server instead:
    sudo apt-get install -y xvfb && xvfb-run -a scripts/run.sh
or see the sample folder without a window:
    build/cli/quilto-cli info --full samples
MESSAGE
    exit 1
fi

if [ $# -eq 0 ]; then set -- "$PWD/samples"; fi
exec build/app/quiltotrackery "$@"
