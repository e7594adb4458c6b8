#!/bin/sh
# Redraws the README's two tour pictures from a build in build/: the desktop
# program after the wizard's One Click on the sample (under Xvfb, driven by
# xdotool, captured by ImageMagick's import) and the command line's contact
# sheet of the same candidates. Needs xvfb, xdotool and imagemagick.
set -e
cd "$(dirname "$0")/.."
root=$PWD
if [ -z "$TOUR_UNDER_XVFB" ]; then
  # A private runtime folder, so that another running Tessalin does not stop this one.
  runtime=$(mktemp -d)
  TOUR_UNDER_XVFB=1 XDG_RUNTIME_DIR=$runtime xvfb-run -a -s "-screen 0 1280x800x24" "$0"
  rm -rf "$runtime"
  out=$(mktemp -d)
  build/src/tessalin-cli wizard --sheet docs/tour-sheet.png samples/lighthouse.bmp "$out" >/dev/null
  rm -rf "$out"
  exit 0
fi
build/src/app/tessalin &
pid=$!
sleep 4  # the splash, then the wizard opens by itself
xdotool windowfocus --sync "$(xdotool search --name 'Tessalin Wizard' | head -1)" key Return
sleep 2
xdotool windowfocus --sync "$(xdotool search --name 'Select Image' | head -1)" type "$root/samples/lighthouse.bmp"
xdotool key Return
sleep 8
import -window root -strip -colors 64 PNG8:docs/tour-one-click.png
kill $pid
