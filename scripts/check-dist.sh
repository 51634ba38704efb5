#!/usr/bin/env bash
# Checks what an installation ships: builds into build/ (or the folder given
# as $1), validates the desktop entry and the AppStream metadata, makes the
# Debian package, unpacks it into a scratch root and checks its files, its
# control fields and that the unpacked programs run from there without
# writing beside themselves.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
app_id=io.github.quiltotrackery.Quiltotrackery

fail() {
    echo "check-dist: FAILED: $*" >&2
    exit 1
}
pass() {
    echo "check-dist: $*"
}
scripts/install-deps.sh
# Every tool is required: a missing one fails instead of skipping its check.
for tool in desktop-file-validate appstreamcli cpack dpkg-deb dpkg-shlibdeps groff file; do
    command -v "$tool" >/dev/null || fail "$tool is missing (run scripts/install-deps.sh)"
done

scripts/build.sh "$dir" >/dev/null
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$dir/CMakeCache.txt")"
[ -n "$version" ] || fail "no project version in $dir/CMakeCache.txt"

work="$(mktemp -d)"
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT

# --- the package
cpack -G DEB --config "$dir/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
deb="$work/pkg/quiltotrackery_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "cpack made no $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quiltotrackery ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project's is $version"
[ "$(field Section)" = sound ] || fail "Section is '$(field Section)'"
[[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer is '$(field Maintainer)'"
depends="$(field Depends)"
for needed in libqt6widgets6 libqt6network6 libqt6dbus6 libqt6charts6 qt6-qpa-plugins libstdc++6 zlib1g; do
    [[ ", $depends," == *", $needed "* || ", $depends," == *", $needed,"* ]] ||
        fail "Depends lacks $needed: $depends"
done
pass "control fields of $(basename "$deb") (Depends: $depends)"

expected=(
    usr/bin/quiltotrackery
    usr/bin/quilto-cli
    usr/share/applications/quiltotrackery.desktop
    usr/share/icons/hicolor/scalable/apps/quiltotrackery.svg
    usr/share/icons/hicolor/48x48/apps/quiltotrackery.png
    usr/share/icons/hicolor/128x128/apps/quiltotrackery.png
    usr/share/icons/hicolor/256x256/apps/quiltotrackery.png
    "usr/share/metainfo/$app_id.metainfo.xml"
    usr/share/man/man1/quilto-cli.1
    usr/share/doc/quiltotrackery/index.html
)
dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./||; s|/$||' | sort >"$work/contents"
for path in "${expected[@]}"; do
    grep -qxF "$path" "$work/contents" || fail "the package lacks /$path"
done
# Nothing outside /usr, nothing of the build or the tests.
! grep -v -e '^$' -e '^usr$' -e '^usr/' "$work/contents" || fail "files outside /usr"
unexpected="$(grep -v -e '^usr/bin$' -e '^usr/share' -e '^usr$' -e '^$' "$work/contents" |
    grep -vxF -e usr/bin/quiltotrackery -e usr/bin/quilto-cli || true)"
[ -z "$unexpected" ] || fail "unexpected files: $unexpected"
pass "file list ($(grep -c . "$work/contents") entries)"

root="$work/root"
dpkg -x "$deb" "$root"
for path in "${expected[@]}"; do
    [ -s "$root/$path" ] || fail "/$path is empty after unpacking"
done
for binary in quiltotrackery quilto-cli; do
    file -b "$root/usr/bin/$binary" | grep -q '^ELF .* executable' || fail "/usr/bin/$binary is no executable"
done
for size in 48 128 256; do
    file -b "$root/usr/share/icons/hicolor/${size}x$size/apps/quiltotrackery.png" |
        grep -q "^PNG image data, $size x $size," || fail "the ${size}x$size icon has another size"
done

# --- desktop entry and AppStream metadata, as installed
desktop="$root/usr/share/applications/quiltotrackery.desktop"
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
# Hints and warnings count too: the validator exits 0 on them.
report="$(desktop-file-validate "$desktop" 2>&1)" || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
icon="$(sed -n 's/^Icon=//p' "$desktop")"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no installed icon named '$icon'"
pass "desktop entry"

appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }
grep -qF "<id>$app_id</id>" "$metainfo" || fail "the metainfo id is not $app_id"
grep -qF '<launchable type="desktop-id">quiltotrackery.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not launch quiltotrackery.desktop"
newest="$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)"
[ "$newest" = "$version" ] || fail "the newest metainfo release is '$newest', the project's version $version"
pass "AppStream metadata"

# --- the unpacked programs
cli="$root/usr/bin/quilto-cli"
"$cli" --help >"$work/help.txt" || fail "quilto-cli --help"
"$cli" info samples >/dev/null || fail "the unpacked quilto-cli cannot list samples/"
page="$root/usr/share/man/man1/quilto-cli.1"
LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>"$work/groff.log" || fail "groff cannot read the manual page"
[ ! -s "$work/groff.log" ] || { cat "$work/groff.log" >&2; fail "groff warns about the manual page"; }
for command in $(awk '/^Subcommands:/ { on = 1; next } on && /^  [^ ]/ { print $1 } /^$/ { on = 0 }' "$work/help.txt"); do
    grep -q "^\.SS \"quilto\\\\-cli $command" "$page" || fail "the manual page has no section for '$command'"
done
pass "quilto-cli and its manual page"

# Read-only installation: the settings go to the XDG folder and nothing is
# written beside the program. Root may write anywhere, so the listing of the
# unpacked tree before and after the run is what tells.
chmod -R a-w "$root"
(cd "$root" && find . -printf "%p %s %T@\n" | sort) >"$work/before"
home="$work/home"
mkdir -p "$home"
instance="$work/instance"
env -u QUILTO_CONFIG_DIR HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=offscreen \
    QUILTO_INSTANCE_NAME="$instance" "$root/usr/bin/quiltotrackery" "$PWD/samples" >"$work/app.log" 2>&1 &
app=$!
for _ in $(seq 1 300); do
    [ -S "$instance" ] && break
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
done
[ -S "$instance" ] || { kill "$app" 2>/dev/null || true; cat "$work/app.log" >&2; fail "the unpacked program did not start"; }
sleep 1  # the window is shown and the close-on-terminate handler set just after listening
kill -TERM "$app"
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || { cat "$work/app.log" >&2; fail "the unpacked program ended with status $status"; }
(cd "$root" && find . -printf "%p %s %T@\n" | sort) >"$work/after"
diff "$work/before" "$work/after" >&2 || fail "the program wrote into its installation"
[ -f "$home/.config/quilto/Quilto.ini" ] || fail "the settings were not stored in \$XDG_CONFIG_HOME/quilto/"
pass "read-only installation (settings in \$XDG_CONFIG_HOME/quilto/)"
