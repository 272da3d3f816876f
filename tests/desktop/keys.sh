#!/usr/bin/env bash
# The window's keys, pressed with `xdotool key` under Xvfb, one row a key: what it does must
# follow, as the accessibility bus or a file shows it. Alt+1 to Alt+4 show the pages as their
# tabs do (Alt+1 asks before leaving unsaved changes, and Escape keeps them), Ctrl+Q asks as the
# close box does, Ctrl+S saves after its question, Enter presses 参照 and 新規作成, the new
# project has the focus so that Enter opens it, and Ctrl+Q with nothing unsaved ends the program.
# Names are typed in ASCII: xdotool types other characters by remapping a key, and under load
# some are lost.
# Usage: keys.sh <kalidor executable> <example project folder>
set -euo pipefail
source "$(dirname "$(realpath "$0")")/scratch_home.sh"

xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash -euo pipefail -c '
  source "$STEPS"
  "$PROGRAM" & pid=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" | head -n 1)
  k() { xdotool key --delay 60 "$@"; }
  tabs() { xdotool key --delay 30 $(printf "Tab %.0s" $(seq "$1")); }
  # The page shown: its tab is the selected one.
  page() { wait_until 30 "the page $1" bus is "$1" selected; }
  # No window manager: the keyboard goes to a new window, or back to the main one, as one gives it.
  give() { xdotool windowfocus --sync "$(newest "$1")"; }
  back() { gone "$1" && xdotool windowfocus --sync "$wid"; }
  caption() { "$(dirname "$PROGRAM")/kalidor-cli" info "$KALIDOR_HOME/Orvane/Kalidor/project/例" | grep -q "$1"; }
  ended() { ! kill -0 "$pid" 2>/dev/null; }
  xdotool windowfocus --sync "$wid"
  shown 例
  while IFS="|" read -r keys then; do
    eval "$keys"
    eval "$then" || { echo "after $keys: not $then"; exit 1; }
  done <<TABLE
k Home Return               | page 画像選択 && focus デスクトップ
tabs 11 && k End            | focus "文字 001"
xdotool type " K"           | wait_until 30 "the caption typed" bus text "文字 001" " K\$"
k alt+3                     | page アクション選択
k alt+4                     | page 動画保存
k alt+2                     | page 画像選択
k alt+1                     | into "^確認\$"
k Escape                    | back "^確認\$" && page 画像選択
k ctrl+q                    | into "^確認\$"
k Escape                    | back "^確認\$" && shown "文字 001"
k ctrl+s                    | into "^確認\$"
k Return                    | give "^Kalidor\$"
k Return                    | back "^Kalidor\$" && wait_until 30 "the caption saved" caption "夕焼けの海 K"
k alt+4                     | page 動画保存 && focus プレビュー
tabs 13                     | focus 参照
k Return                    | give 保存
k Escape                    | back 保存 && focus 参照
k alt+1                     | page プロジェクト選択 && focus プロジェクト一覧
tabs 2                      | focus 新規作成
k Return                    | give "^プロジェクト新規作成\$"
xdotool type Holiday        | wait_until 30 "the name typed" bus text プロジェクト名 "^Holiday\$"
k Return                    | back "^プロジェクト新規作成\$" && focus Holiday
k Return                    | page 画像選択
k ctrl+q                    | wait_until 30 "the program ended" ended
TABLE
  wait "$pid"
'
echo "keys check passed"
