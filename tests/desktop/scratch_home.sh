# Sourced by the Xvfb checks before they start the program: the arguments <kalidor executable>
# <example project folder> [screenshot folder] read, and a scratch home, runtime folder and
# workspace holding the example project as 「例」, removed on exit.
program=$(realpath "$1")
example=$(realpath "$2")
shots=${3:+$(realpath "$3")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/Orvane/Kalidor/project" "$work/run"
chmod 700 "$work/run"
cp -r "$example" "$work/home/Orvane/Kalidor/project/例"
export KALIDOR_HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PROGRAM="$program" HOME="$work" SHOTS="$shots"
export STEPS="$(dirname "${BASH_SOURCE[0]}")/window_steps.sh"
