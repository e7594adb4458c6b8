#!/usr/bin/env bash
# Runs the screen tests of the window test program on a virtual X server at a
# scale factor of 1.5, where they grab what the server really shows.
# Usage: screen_pixels.sh TESTS_UI
set -euo pipefail
if ! command -v xvfb-run >/dev/null || ! command -v Xvfb >/dev/null; then
  echo "Xvfb is not installed: skipped"
  exit 77
fi
# Under the sanitizers: libxkbcommon-x11 reads past its own strings (strndup)
# and libdbus keeps a buffer to the end; our code stays checked.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0:detect_leaks=0"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
  env QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1.5 "$1" --gtest_filter='ScreenPixels.*'
