#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program's main job on the
# bundled sample folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
exec build/cli/quilto-cli info --full samples "$@"
