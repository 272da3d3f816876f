# Sourced by bench/peer_bench.sh, bench/h264_bench.sh and bench/colour_check.sh: make_peer_projects <folder> <bin>
# writes ten pictures of 1.9 to 3.1 megapixels (ffmpeg test sources with grain, landscape and
# portrait) as <folder>/picture<N>.jpg, and the projects <folder>/W1 (1280 x 720, every picture
# zooming in) and <folder>/W2 (640 x 480, no effect), 6 s a picture. Sets the array `pictures`.
# The benches' common start: the build, melt, and in a scratch folder `work` (removed on exit)
# the peer projects; sets `bin` and `preset` (the encoder entry's x264 preset) too.
prepare_peer_bench() {
  scripts/build.sh > /dev/null
  if ! command -v melt > /dev/null; then
    local sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y -q --no-install-recommends melt > /dev/null
  fi
  bin=$PWD/build/bin
  preset=$(sed -n 's/.*kH264Preset = "\([a-z]*\)".*/\1/p' src/encode/encoder_entry.h)
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  make_peer_projects "$work" "$bin"
}

make_peer_projects() {
  local folder=$1 bin=$2 i
  local sources=("testsrc2=s=2048x1536" "mandelbrot=s=1536x2048" "gradients=s=2048x1536:n=5" "smptehdbars=s=1600x1200"
                 "cellauto=s=2048x1536:rule=110" "testsrc=s=1200x1600" "mandelbrot=s=2048x1536:start_scale=0.5"
                 "gradients=s=1536x2048:n=3:seed=7" "life=s=1600x1200:mold=10:ratio=0.3:life_color=#ffcc55"
                 "rgbtestsrc=s=2048x1536")
  pictures=()
  for i in "${!sources[@]}"; do
    ffmpeg -v error -y -f lavfi -i "${sources[$i]}" -vf "noise=alls=25:allf=u,format=yuvj420p" -frames:v 1 -q:v 2 \
      "$folder/picture$i.jpg"
    pictures+=("$folder/picture$i.jpg")
  done
  "$bin/kalidor-cli" new "$folder/W1" "${pictures[@]}" > /dev/null
  "$bin/kalidor-cli" new "$folder/W2" "${pictures[@]}" > /dev/null
  "$bin/peer-project" "$folder/W1" 1280x720 zoom
  "$bin/peer-project" "$folder/W2" 640x480 none
}

# make_long_project <folder> <bin>, after make_peer_projects: the project <folder>/L, 40 pictures
# (the ten above, four times) of 12 s each at 1280 x 720, every one zooming in: 14,403 frames.
make_long_project() {
  local folder=$1 bin=$2
  "$bin/kalidor-cli" new "$folder/L" "${pictures[@]}" "${pictures[@]}" "${pictures[@]}" "${pictures[@]}" > /dev/null
  "$bin/peer-project" "$folder/L" 1280x720 zoom 12
}
