#!/usr/bin/env bash
# The Debian package, built with Debian's own tooling (dpkg-buildpackage, debhelper) from a
# clean copy of the tree, so the developer's build/ takes no part, and checked with lintian: no
# error and no warning may stay.
#   scripts/package.sh          leaves build-deb/kalidor_<version>_<arch>.deb
#   scripts/package.sh --check  installs that package (built first when there is none), uses it
#                               as a user would, and purges it again
# The package build uses two jobs unless DEB_BUILD_OPTIONS says parallel=N.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project(Kalidor VERSION \([^ )]*\).*/\1/p' CMakeLists.txt)
arch=$(dpkg --print-architecture)
deb=build-deb/kalidor_${version}_${arch}.deb
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The files git knows (tracked, and new ones it does not ignore) as they are in the working
# tree, edits included; build/, build-deb/ and the like are ignored. Outside git (an unpacked
# archive), everything but the build folders.
copy_tree() {
  local tree=$1
  mkdir -p "$tree"
  if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    tar --exclude='./build*' --exclude='./obj-*' -cf - . | tar -xf - -C "$tree"
    return
  fi
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do
      if [ -e "$f" ] || [ -L "$f" ]; then printf '%s\0' "$f"; fi  # not the deleted ones
    done |
    tar --null -T - -cf - | tar -xf - -C "$tree"
}

build() {
  scripts/install-packages.sh dpkg-dev debhelper lintian
  dpkg-checkbuilddeps 2>/dev/null || scripts/install-packages.sh --build-dep .
  # The copy sits at the same place every time, so a build from it is the same every time.
  local tree=build-deb/kalidor-$version
  rm -rf build-deb
  copy_tree "$tree"
  case " ${DEB_BUILD_OPTIONS:-} " in
    *" parallel="*) ;;
    *) export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }parallel=2" ;;
  esac
  echo "== dpkg-buildpackage -b -us -uc (DEB_BUILD_OPTIONS=$DEB_BUILD_OPTIONS)"
  (cd "$tree" && dpkg-buildpackage -b -us -uc)
  rm -rf "$tree"
  echo
  echo "== lintian"
  # Overridden tags are shown too (O:), each after the comment that says why.
  lintian --display-info --pedantic --show-overrides --fail-on none "build-deb/kalidor_${version}_${arch}.changes" |
    tee "$work/lintian"
  if grep -q '^[EW]:' "$work/lintian"; then
    echo "FAIL: lintian reports errors or warnings" >&2
    exit 1
  fi
  echo "lintian: no error, no warning"
  echo
  echo "== $deb"
  ls -l "$deb"
  dpkg-deb --field "$deb" Version Installed-Size Depends Recommends
}

check() {
  [ -f "$deb" ] || build
  scripts/install-packages.sh xvfb xauth xdotool
  echo "== apt-get install ./$deb"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb"
  dpkg -L kalidor > "$work/files"
  trap 'echo "== the check failed: apt-get purge kalidor"; $sudo apt-get purge -y -q kalidor >/dev/null; rm -rf "$work"' EXIT

  echo
  echo "== kalidor-cli --version; man -w kalidor kalidor-cli"
  kalidor-cli --version
  man -w kalidor kalidor-cli

  # From another folder, on a copy: the installed example project is read-only.
  echo
  echo "== kalidor-cli export of a copy of /usr/share/kalidor/example, from $work"
  cp -r /usr/share/kalidor/example "$work/例"
  (cd "$work" && kalidor-cli export 例 --out movie.mp4)
  local probe
  ffprobe -v error -show_entries format=format_name,duration:stream=codec_name,width,height \
    -of compact "$work/movie.mp4"
  probe=$(ffprobe -v error -count_frames -select_streams v:0 \
            -show_entries stream=width,height,nb_read_frames -of csv=p=0 "$work/movie.mp4")
  echo "ffprobe: width,height,frames = $probe"
  # The example: 10 seconds of 640 x 480 at 30 frames a second, and 3 black closing frames.
  [ "$probe" = "640,480,303" ] || { echo "FAIL: expected a 640 x 480 movie of 303 frames" >&2; exit 1; }

  # The menu entry's command, as a desktop starts it, in a home of its own.
  echo
  local desktop=/usr/share/applications/com.orvane.Kalidor.desktop command
  command=$(sed -n 's/^Exec=//p' "$desktop" | sed 's/ %[fFuUdDnNickvm]//g')
  echo "== the menu entry's command under Xvfb: $command"
  mkdir -p "$work/home" "$work/run"
  chmod 700 "$work/run"
  HOME="$work/home" XDG_RUNTIME_DIR="$work/run" xvfb-run -a -s "-screen 0 1280x800x24" \
    env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u KALIDOR_HOME bash -c '
      $1 & program=$!
      window=$(timeout 60 xdotool search --sync --onlyvisible --name "^Kalidor\$" | head -1)
      name=$(xdotool getwindowname "$window" 2>/dev/null || true)
      kill -0 $program 2>/dev/null && alive=yes || alive=no
      if command -v import >/dev/null; then import -window root "$2"; fi
      kill $program; wait $program || true
      echo "window: \"$name\", the program still running: $alive"
      [ "$name" = Kalidor ] && [ $alive = yes ]' check "$command" "$PWD/build-deb/check-window.png"
  local actions="$work/home/.local/share/Orvane/Kalidor/config/actionList.dat"
  [ -f "$actions" ] || { echo "FAIL: the program did not install its data into the workspace" >&2; exit 1; }
  echo "the workspace got the delivered data from /usr/share/kalidor"

  echo
  echo "== apt-get purge kalidor"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q kalidor
  trap 'rm -rf "$work"' EXIT
  local left=() f
  while IFS= read -r f; do
    [ "$f" != /. ] || continue
    [ -e "$f" ] || [ -L "$f" ] || continue
    # A folder other packages share (/usr/bin, the icon theme's) stays theirs.
    if [ -d "$f" ] && [ ! -L "$f" ] && dpkg -S "$f" >/dev/null 2>&1; then continue; fi
    left+=("$f")
  done < "$work/files"
  if ((${#left[@]})); then
    printf 'FAIL: left after the purge: %s\n' "${left[@]}" >&2
    exit 1
  fi
  echo "none of the package's $(wc -l < "$work/files") paths is left"
  echo
  echo "package check: passed"
}

case "${1:-}" in
  "") build ;;
  --check) check ;;
  *) echo "usage: scripts/package.sh [--check]" >&2; exit 2 ;;
esac
