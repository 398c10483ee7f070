#!/bin/sh
# Pictures of the main window's six tabs (at the default size, with panels
# switched on, and enlarged), the View tab listing thirty files (as listed,
# sorted by name and by size, filtered, enlarged), the about window, the
# splash and Jar's console over the main window while the stand-in asks a
# question, taken under a virtual X display. It builds nothing: build the
# view tests (and brak, for the picture of the real start-up) first.
#
# Usage: tools/screenshots/take_screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
set -eu

build=$(cd "${1:-build}" && pwd)
out=${2:-screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)
screen="-screen 0 1024x768x24"

shots="$build/tests/test_window_layout"
if [ ! -x "$shots" ]; then
    echo "$shots is missing: build the target test_window_layout first" >&2
    exit 1
fi
BRAK_SCREENSHOTS="$out" QT_QPA_PLATFORM=xcb xvfb-run -a -s "$screen" "$shots"
if [ -x "$build/tests/test_console_view" ]; then
    BRAK_SCREENSHOTS="$out" QT_QPA_PLATFORM=xcb xvfb-run -a -s "$screen" \
        "$build/tests/test_console_view" --gtest_filter='*Screenshot*'
fi

# The real program: its splash during the pause, then its first window.
# It runs in a home of its own that holds the logo picture, as after a first
# run, so neither the build nor your own settings change.
logo="$build/tools/jar/logo/Kyx.BMP"
if [ -x "$build/bin/brak" ] && [ -f "$logo" ] && command -v import >/dev/null; then
    home=$(mktemp -d)
    trap 'rm -rf "$home"' EXIT
    mkdir -p "$home/.config/brak"
    cp "$logo" "$home/.config/brak/"
    env -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=xcb xvfb-run -a -s "$screen" sh -c '
        "$1/brak" & pid=$!
        sleep 1.5
        import -window root "$2/startup-splash.png"
        sleep 3.5
        import -window root "$2/startup-window.png"
        kill $pid
        wait $pid' sh "$build/bin" "$out"
fi
ls "$out"
