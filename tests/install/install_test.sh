#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses it from there: the files are where the
# file-system standard puts them (no folder in bin), the menu entry and metainfo validate, the
# programs answer --version with the build's version, --help with their usage and an unknown
# option with its name, and the installed kalidor-cli exports the installed example project
# through the installed encoder entry. The package build runs it too (debian/rules).
# Usage: install_test.sh <build-folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix with blank"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
programs=(kalidor-cli)
[ ! -e "$build/bin/kalidor" ] || programs+=(kalidor)
for f in "${programs[@]/#/bin/}" "${programs[@]/%/.1}" libexec/kalidor/ffmpeg \
         share/kalidor/config/actionList.dat share/kalidor/project/thum.bmp \
         share/kalidor/img/menu01_01.png share/kalidor/img/en/menu01_01.png share/kalidor/example/project.dat \
         share/applications/com.orvane.Kalidor.desktop share/metainfo/com.orvane.Kalidor.metainfo.xml \
         share/icons/hicolor/256x256/apps/com.orvane.Kalidor.png; do
  [[ $f != *.1 ]] || f=share/man/man1/$f
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
[ ! -e "$build/bin/kalidor" ] || [ -e "$prefix/share/kalidor/translations/kalidor_en.qm" ] ||
  fail "the window's English catalogue is not installed"
[ -z "$(find "$prefix/bin" -mindepth 1 ! -type f)" ] || fail "bin holds more than programs: $(ls "$prefix/bin")"
desktop-file-validate "$prefix/share/applications/com.orvane.Kalidor.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/com.orvane.Kalidor.metainfo.xml" >/dev/null ||
  fail "metainfo"

# The command line's own options. --help and --version need no display; Qt needs one (any)
# to take its own options before the program refuses what is left.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
option() {  # Qt platform (- for none), program, exit code, text its output holds, arguments
  local platform=$1 program=$2 want=$3 text=$4 rc=0
  shift 4
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ${platform#-} "$prefix/bin/$program" "$@" \
    >"$work/out" 2>&1 || rc=$?
  [ "$rc" = "$want" ] && grep -qF -- "$text" "$work/out" ||
    fail "$program $*: exit code $rc, expected $want and \"$text\": $(cat "$work/out")"
}
for program in "${programs[@]}"; do
  option - "$program" 0 "$program $version" --version
  option - "$program" 0 "usage: $program" --help
  option QT_QPA_PLATFORM=offscreen "$program" 2 "unknown option --frobnicate" --frobnicate
done

# Another folder, so that nothing of the build tree can be found by accident.
cp -r "$prefix/share/kalidor/example" "$work/project"
(cd / && "$prefix/bin/kalidor-cli" export "$work/project" --out "$work/movie.mp4" --size 160x120) \
  >"$work/log" 2>&1 || { cat "$work/log"; fail "the installed kalidor-cli could not export"; }
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames,width \
         -of csv=p=0 "$work/movie.mp4")
[ "$frames" = "160,303" ] || fail "movie: expected 160 wide and 303 frames, got $frames"
echo "installed and used from $prefix: passed"
