#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses it from there: the menu entry and metainfo
# validate, the icons and the delivered data are in place, and the installed kalidor-cli exports
# the installed example project through the installed encoder entry.
# Usage: install_test.sh <build-folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix with blank"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
for f in bin/kalidor-cli bin/lib/ffmpeg \
         share/kalidor/config/actionList.dat share/kalidor/project/thum.bmp \
         share/kalidor/img/menu01_01.png share/kalidor/example/project.dat \
         share/applications/com.orvane.Kalidor.desktop share/metainfo/com.orvane.Kalidor.metainfo.xml \
         share/icons/hicolor/256x256/apps/com.orvane.Kalidor.png; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
[ ! -e "$build/bin/kalidor" ] || [ -x "$prefix/bin/kalidor" ] || fail "bin/kalidor is not installed"
desktop-file-validate "$prefix/share/applications/com.orvane.Kalidor.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/com.orvane.Kalidor.metainfo.xml" >/dev/null ||
  fail "metainfo"

# Another folder, so that nothing of the build tree can be found by accident.
cp -r "$prefix/share/kalidor/example" "$work/project"
(cd / && "$prefix/bin/kalidor-cli" export "$work/project" --out "$work/movie.mp4" --size 160x120) \
  >"$work/log" 2>&1 || { cat "$work/log"; fail "the installed kalidor-cli could not export"; }
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames,width \
         -of csv=p=0 "$work/movie.mp4")
[ "$frames" = "160,303" ] || fail "movie: expected 160 wide and 303 frames, got $frames"
echo "installed and used from $prefix: passed"
