#!/usr/bin/env bash
# CI on another Debian release: makes a fresh root of it with debootstrap, from the Debian
# archive this machine's apt already uses, and runs inside it, on a clean clone of this tree,
# what a new user runs (scripts/setup.sh, scripts/test.sh), then scripts/package.sh --check.
#   .ci/release_root.sh <suite>          e.g. trixie
# The root gets proc, sysfs, a devpts of its own and /dev/shm, nothing else of the machine; they
# are unmounted however the run ends, and the root is removed only when nothing is mounted in it.
# For development: KALIDOR_ROOT=<folder> reuses (and keeps) a root made before, with its package
# cache; KALIDOR_DEBOOTSTRAP_CACHE=<folder> keeps the packages debootstrap fetches; and
# KALIDOR_STEP_LOCK=<file> runs each heavy step under flock on that file.
set -euo pipefail
cd "$(dirname "$0")/.."
suite=$1
source_tree=$PWD

# --- The archive: the URIs and suites of this machine's own release in its apt sources, in the
# one-line (sources.list) and the deb822 (*.sources) forms.
apt_entries() {  # prints "uri suite" for each deb entry
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -e 's/#.*//' -e 's/\[[^]]*\]//' "$f" | awk '$1 == "deb" { print $2, $3 }'
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'function flush() { if (deb && enabled) for (u in uris) for (s in suites) print uris[u], suites[s]
                            deb = 0; enabled = 1; delete uris; delete suites }
         BEGIN { enabled = 1 }
         /^[[:space:]]*#/ { next }
         /^[[:space:]]*$/ { flush(); next }
         tolower($1) == "types:" { for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1 }
         tolower($1) == "enabled:" { enabled = tolower($2) != "no" }
         tolower($1) == "uris:" { for (i = 2; i <= NF; i++) uris[i] = $i }
         tolower($1) == "suites:" { for (i = 2; i <= NF; i++) suites[i] = $i }
         END { flush() }' "$f"
  done
}
host=$(. /etc/os-release && echo "$VERSION_CODENAME")
entries=$(apt_entries | awk -v h="$host" '$2 == h || index($2, h "-") == 1' | sort -u)
mirror=$(awk -v h="$host" '$2 == h { print $1; exit }' <<<"$entries")
[ -n "$mirror" ] || { echo "no deb entry for $host in the apt sources" >&2; exit 1; }

times=()
timed() {  # [--heavy] name, command...: runs it and notes how long it took
  local heavy=false
  if [ "$1" = --heavy ]; then heavy=true; shift; fi
  local name=$1
  shift
  echo "== $suite: $name"
  if $heavy && [ -n "${KALIDOR_STEP_LOCK:-}" ]; then
    exec 9>>"$KALIDOR_STEP_LOCK"
    flock 9
  fi
  local start=$SECONDS
  "$@" 9>&-
  times+=("$(printf '%-36s %4d s' "$suite: $name" $((SECONDS - start)))")
  if $heavy && [ -n "${KALIDOR_STEP_LOCK:-}" ]; then exec 9>&-; fi
}

reuse=false
if [ -n "${KALIDOR_ROOT:-}" ]; then
  root=$(realpath -m "$KALIDOR_ROOT")
  [ ! -e "$root/etc/os-release" ] || reuse=true
else
  root=$(mktemp -d "${TMPDIR:-/var/tmp}/kalidor-$suite-root.XXXXXX")
  chmod 755 "$root"  # it is the root folder of the system in it, for every user there
fi

# --- Mounts, and their end on every exit.
mounted_under() {  # the mount points at or below the root, deepest first
  awk -v r="$root" '{ gsub(/\\040/, " ", $5) } $5 == r || index($5, r "/") == 1 { print $5 }' \
    /proc/self/mountinfo | sort -r
}
end_root_processes() {  # what the run left running inside the root (a sound server, an X server)
  local p signal
  for signal in TERM KILL; do
    for p in /proc/[0-9]*; do
      [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && kill "-$signal" "${p#/proc/}" 2>/dev/null || true
    done
    sleep 1
  done
}
unmount_all() {
  local m
  for m in $(mounted_under); do umount "$m" 2>/dev/null || { end_root_processes; umount "$m"; }; done
}
finish() {
  local rc=$?
  if ((${#times[@]})); then
    echo
    echo "== $suite: times"
    printf '%s\n' "${times[@]}"
  fi
  unmount_all || true
  if [ -n "$(mounted_under)" ]; then
    echo "still mounted in $root, so it stays: $(mounted_under | tr '\n' ' ')" >&2
    rc=1
  elif [ -z "${KALIDOR_ROOT:-}" ]; then
    rm -rf --one-file-system "$root"
  fi
  exit $rc
}
trap finish EXIT
trap 'exit 130' INT TERM HUP

mount_root() {
  mount -t proc -o nosuid,nodev,noexec proc "$root/proc"
  mount -t sysfs -o ro,nosuid,nodev,noexec sysfs "$root/sys"
  mount -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts "$root/dev/pts"
  mount -t tmpfs -o nosuid,nodev,mode=1777 shm "$root/dev/shm"
}

# --- The root.
make_root() {
  scripts/install-packages.sh debootstrap
  local cache=()
  [ -z "${KALIDOR_DEBOOTSTRAP_CACHE:-}" ] || cache=(--cache-dir="$KALIDOR_DEBOOTSTRAP_CACHE")
  debootstrap --variant=minbase --include=git,ca-certificates "${cache[@]}" "$suite" "$root" "$mirror"
}
configure_root() {
  # The same suites of the target release as this machine has of its own (updates, security).
  {
    while read -r uri s; do
      printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\n' "$uri" "$suite${s#"$host"}"
      printf 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\n'
    done <<<"$entries"
  } >"$root/etc/apt/sources.list.d/debian.sources"
  : >"$root/etc/apt/sources.list"
  # How this machine reaches the archive (a proxy, the date checks), and nothing else of its apt.
  apt-config dump Acquire::http::Proxy Acquire::https::Proxy Acquire::Check-Valid-Until Acquire::Check-Date \
    >"$root/etc/apt/apt.conf.d/50machine"
  # No service starts in the root as packages are installed.
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"
  # The private devpts has its own multiplexer.
  rm -f "$root/dev/ptmx"
  ln -s pts/ptmx "$root/dev/ptmx"
}
in_root() {  # runs a shell command in the clone, as root, with a clean environment
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 CI="${CI:-true}" TERM=dumb bash -c "cd /root/kalidor && $1" </dev/null
}

if ! $reuse; then
  timed "debootstrap" make_root
fi
configure_root
mount_root
echo "== $suite root: $root ($(. "$root/etc/os-release" && echo "$PRETTY_NAME"), from $mirror)"

rm -rf "$root/root/kalidor"
git clone -q --no-hardlinks "$source_tree" "$root/root/kalidor"
echo "== $suite: a clean clone of $(git -C "$source_tree" rev-parse --short HEAD) in /root/kalidor"

# Each line of the set-up carries the seconds since it began, to tell its package installs from
# its build.
stamped() {
  local start=$SECONDS line
  "$@" 2>&1 | while IFS= read -r line; do printf '%4ds %s\n' $((SECONDS - start)) "$line"; done
}
timed --heavy "scripts/setup.sh" stamped in_root 'scripts/setup.sh'
timed "pulseaudio, chromium" in_root 'scripts/install-packages.sh pulseaudio chromium'
timed --heavy "scripts/test.sh" in_root 'scripts/test.sh'
timed --heavy "scripts/package.sh --check" in_root 'scripts/package.sh --check'

