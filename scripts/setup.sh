#!/usr/bin/env bash
# Sets up a fresh Debian 12 or 13 machine: installs what Kalidor needs, builds it and runs its main
# job: the bundled example project made into a movie, build/example.mp4.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config
  libjpeg62-turbo-dev libturbojpeg0-dev libpng-dev zlib1g-dev libfreetype-dev libfontconfig-dev
  fonts-ipafont-gothic
  ffmpeg
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev
  desktop-file-utils appstream
  qt6-base-dev qt6-translations-l10n qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  # Qt's lupdate and lrelease and their CMake commands: the catalogues of translations/
  qt6-tools-dev qt6-l10n-tools
  xdg-utils xvfb xauth xdotool imagemagick
  # the screen-reader check: the accessibility bus and its Python client
  at-spi2-core python3-pyatspi dbus-daemon
)
scripts/install-packages.sh "${packages[@]}"

scripts/build.sh
echo
echo "== kalidor-cli info data/example"
build/bin/kalidor-cli info data/example
echo
echo "== kalidor-cli export data/example --out build/example.mp4"
build/bin/kalidor-cli export data/example --out build/example.mp4

# The desktop program on a workspace of its own that holds the example project, when there is a
# display to show it on (never in CI).
workspace="$PWD/build/workspace"
if [ ! -e "$workspace/Orvane/Kalidor/project/例" ]; then
  mkdir -p "$workspace/Orvane/Kalidor/project"
  cp -r data/example "$workspace/Orvane/Kalidor/project/例"
fi
echo
if [ "${CI:-}" = true ]; then
  echo "== CI: the desktop program is not started"
elif [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "== KALIDOR_HOME=$workspace build/bin/kalidor (started; the example project is 「例」)"
  KALIDOR_HOME="$workspace" setsid build/bin/kalidor >/dev/null 2>&1 < /dev/null &
else
  echo "== no display (DISPLAY and WAYLAND_DISPLAY are unset): the desktop program is not started."
  echo "   On a desktop: KALIDOR_HOME=$workspace build/bin/kalidor"
fi
