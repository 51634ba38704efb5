#!/usr/bin/env bash
# Draws the pictures of the README into docs/: the main window
# (docs/screenshot.png), one picture of each page (docs/page-*.png) and of
# the dialogs (docs/dialog-*.png).
#
# The pages are shown under a virtual X server (xvfb-run) at 1280x800 and
# taken from the screen with ImageMagick's `import`. The window opens on a
# neutral folder, ~/Music/samples (or $QUILTO_SHOT_FOLDER): when it does not
# exist it is made from the bundled samples/ (scripts/make-samples.sh). A
# packed file of two samples is written there for the UnPack page with
# quilto-cli and removed afterwards.
#
# Options: WIDTH HEIGHT of the page pictures (default 1280 800).
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ "${1:-}" == "--inside" ]]; then
    # Runs inside xvfb-run: the tool shows each page, we take it.
    shift
    folder="$1" width="$2" height="$3"
    coproc TOOL { QT_QPA_PLATFORM=xcb build/tests/gui_screenshot --pages "$folder" "$width" "$height"; }
    tool_pid=$TOOL_PID  # bash drops TOOL_PID once the tool has ended
    taken=0
    while IFS= read -r line <&"${TOOL[0]}"; do
        [[ "$line" == ready\ * ]] || { echo "$line"; continue; }
        read -r _ window name <<<"$line"
        import -window "$window" "docs/$name"
        echo "docs/$name"
        taken=$((taken + 1))
        echo >&"${TOOL[1]}"
    done
    wait "$tool_pid"
    [[ "$taken" -eq 9 ]] || { echo "only $taken of 5 pages and 4 dialogs were drawn" >&2; exit 1; }
    exit 0
fi

width="${1:-1280}"
height="${2:-800}"
scripts/install-deps.sh --screenshots
# The two programs the pictures need; a first run configures and builds all.
if [[ -f build/build.ninja ]]; then
    cmake --build build --target gui_screenshot quilto-cli >/dev/null
else
    scripts/build.sh build >/dev/null
fi
mkdir -p docs

folder="${QUILTO_SHOT_FOLDER:-$HOME/Music/samples}"
if [[ ! -d "$folder" ]]; then
    mkdir -p "$folder"
    cp samples/*.mp3 "$folder/"
fi

build/tests/gui_screenshot docs/screenshot.png "$folder"
echo "docs/screenshot.png"

packed="$folder/Quilto Samples.pac.mp3"
if [[ ! -e "$packed" && -f "$folder/01 Hello.mp3" && -f "$folder/04 Untagged.mp3" ]]; then
    trap 'rm -f "$packed"' EXIT
    build/cli/quilto-cli pack --format pack --album "Quilto Samples" -o "$packed" "$folder/01 Hello.mp3" "$folder/04 Untagged.mp3"
fi
xvfb-run -a -s "-screen 0 ${width}x${height}x24" scripts/screenshot.sh --inside "$folder" "$width" "$height"
