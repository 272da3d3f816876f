#!/usr/bin/env bash
# Runs a command with a sound server of its own that plays into nothing: a private PulseAudio
# daemon whose only sink is a null sink, in a temporary runtime folder, ended afterwards.
# Without PulseAudio installed it says so and ends with 77 (the test counts as skipped).
# Usage: null_sink.sh <command> [arguments...]
set -euo pipefail
if ! command -v pulseaudio >/dev/null; then
  echo "pulseaudio is not installed: no sound server to measure the music with (apt-get install pulseaudio)"
  exit 77
fi
run=$(mktemp -d)
pulse=""
trap '[ -z "$pulse" ] || kill "$pulse" 2>/dev/null; wait 2>/dev/null; rm -rf "$run"' EXIT
chmod 700 "$run"
export XDG_RUNTIME_DIR="$run" PULSE_RUNTIME_PATH="$run/pulse" HOME="$run"
unset PULSE_SERVER
pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n --log-level=error \
  --load="module-null-sink sink_name=nothing" --load="module-native-protocol-unix" 2>"$run/log" &
pulse=$!
for _ in $(seq 600); do
  [ -S "$run/pulse/native" ] && break
  kill -0 "$pulse" 2>/dev/null || { echo "pulseaudio did not start:"; cat "$run/log"; exit 1; }
  sleep 0.05
done
[ -S "$run/pulse/native" ] || { echo "pulseaudio made no socket"; exit 1; }
KALIDOR_SOUND_SERVER=1 "$@"
