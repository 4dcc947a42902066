#!/usr/bin/env bash
# Builds the Debian package from the build tree, checks it with lintian, unpacks it into a
# temporary root and runs the unpacked programs from there: the command line, the virtual printer
# on loopback, and the window offscreen until it shows. Exit 77 (skipped) without the Debian
# tools. Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2

for tool in cpack dpkg-deb lintian; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (scripts/install-deps installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
printer_pid=
cleanup() {
    [ -n "$printer_pid" ] && kill "$printer_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

(cd "$build" && cpack -G DEB -B "$work/cpack" -D CPACK_OUTPUT_FILE_PREFIX="$work/package" \
    > "$work/cpack.txt" 2>&1) ||
    { cat "$work/cpack.txt" >&2; fail "cpack could not make the package"; }
deb=$(ls "$work"/package/vrtruty_*.deb)
echo "package: $(basename "$deb")"
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' ||
    fail "the run-time dependencies were not computed: $(dpkg-deb --field "$deb" Depends)"

# Errors fail the test; warnings and notes are shown for the record.
lintian --fail-on error --suppress-tags-from-file /dev/null "$deb" | tee "$work/lintian.txt" ||
    fail "lintian found errors in the package"

root=$work/root
dpkg-deb -x "$deb" "$root"
for path in usr/bin/vrtruty usr/bin/vrtruty-cli usr/bin/vrtruty-printer \
    usr/share/applications/vrtruty.desktop usr/share/icons/hicolor/scalable/apps/vrtruty.svg \
    usr/share/icons/hicolor/48x48/apps/vrtruty.png usr/share/man/man1/vrtruty-cli.1.gz \
    usr/share/man/man1/vrtruty-printer.1.gz usr/share/man/man1/vrtruty.1.gz \
    usr/share/bash-completion/completions/vrtruty-cli usr/share/doc/vrtruty/copyright \
    usr/share/vrtruty/Utility_Guide_E.pdf usr/share/vrtruty/Utility_Guide_J.pdf \
    usr/lib/udev/rules.d/60-vrtruty.rules; do
    [ -e "$root/$path" ] || fail "the package has no /$path"
done

# The command line finds every shipped language in the installed share folder.
cli=$root/usr/bin/vrtruty-cli
home=$work/home
"$cli" --version | grep -q '^vrtruty-cli ' || fail "vrtruty-cli --version"
"$cli" --home "$home" lang list > "$work/languages.txt"
for file in "$source"/res/lang/*.dat "$source"/res/lang/src/*.ini; do
    name=$(basename "${file%.*}").dat
    grep -q "File: *$root/usr/share/vrtruty/$name" "$work/languages.txt" ||
        { cat "$work/languages.txt" >&2; fail "lang list does not find the installed $name"; }
done

# The installed virtual printer on loopback answers the installed command line's check.
"$root/usr/bin/vrtruty-printer" --listen 127.0.0.1:0 > "$work/printer.txt" 2>&1 &
printer_pid=$!
for _ in $(seq 100); do
    grep -q '^PORT ' "$work/printer.txt" && break
    sleep 0.05
done
port=$(awk '/^PORT / { print $2; exit }' "$work/printer.txt")
[ -n "$port" ] || { cat "$work/printer.txt" >&2; fail "the virtual printer did not start"; }
"$cli" --home "$home" --port "lan:127.0.0.1:$port" check ||
    fail "check against the installed virtual printer"

# The window comes up offscreen and reports when it is shown.
QT_QPA_PLATFORM=offscreen VRTRUTY_REPORT_STARTUP=1 timeout 60 "$root/usr/bin/vrtruty" \
    --home "$work/window-home" > "$work/window.txt" 2>&1 ||
    { cat "$work/window.txt" >&2; fail "the installed window did not start"; }
grep -q '^shown-at-us' "$work/window.txt" || fail "the installed window was not shown"
echo "PASSED: package built, lintian clean of errors, installed programs run"
