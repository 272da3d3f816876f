#!/usr/bin/env bash
# Installs the Debian packages named that are not installed yet, with apt-get (through sudo
# when not root).
#   scripts/install-packages.sh <package>...
#   scripts/install-packages.sh --build-dep <source-folder>   what its debian/control builds with
set -euo pipefail
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
apt() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@"; }

if [ "${1:-}" = --build-dep ]; then
  apt update
  apt build-dep --no-install-recommends "$(realpath "$2")"
  exit
fi
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  apt update
  apt install --no-install-recommends "${missing[@]}"
fi
