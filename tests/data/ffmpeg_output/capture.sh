#!/usr/bin/env bash
# Captures what the installed ffmpeg writes on standard error for the encoder entry's argument
# line (a 160 x 120 MP4 with music, its frames raw on a pipe at the movie's pace), into
# ffmpeg-<major.minor>-<case>.txt beside this script: a movie made, music that does not decode
# (noise in an .mp3), music that does not open (text in an .mp3). The tests read these files as
# the output of that ffmpeg release.
set -euo pipefail
out=$(cd "$(dirname "$0")" && pwd)
version=$(ffmpeg -version | sed -n '1s/^ffmpeg version \([0-9]*\.[0-9]*\).*/\1/p')
work=/tmp/kalidor-ffmpeg-output
mkdir -p "$work"
cd "$work"
ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=30 -frames:v 183 -pix_fmt yuv420p -f rawvideo frames.yuv
ffmpeg -v error -y -f lavfi -i sine=frequency=330:duration=10 song.wav
ffmpeg -v error -y -f lavfi -i anoisesrc=color=white:seed=17:amplitude=1 -t 4.535 -f u8 -ac 1 noise.mp3
echo "this is no music" > text.mp3

frames() {  # one frame each 1/30 s
  local i
  for ((i = 0; i < 183; i++)); do
    dd if=frames.yuv bs=28800 skip=$i count=1 status=none
    sleep 0.033
  done
}
capture() {  # case, music
  local rc=0
  frames 2>/dev/null | ffmpeg -y -r 30 -f rawvideo -pix_fmt yuv420p -s 160x120 -i pipe:3 -i "$work/$2" -vcodec mpeg4 -f mp4 \
    -acodec aac -b:v 4000k -b:a 192k -s 160x120 -t 6.1 "file:$work/.movie.mp4.part" 3<&0 </dev/null \
    2>"$out/ffmpeg-$version-$1.txt" || rc=$?
  echo "ffmpeg $version, $1: exit code $rc"
}
capture music song.wav
capture undecodable-music noise.mp3
capture unreadable-music text.mp3
