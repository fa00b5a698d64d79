#!/usr/bin/env bash
# The Windows build on a console, under wine in tmux: a key moves the player
# without Enter and is not echoed, Delete and F10 move nothing, and after the
# last level one more key ends the game with status 0.
set -euo pipefail
game=$1
folder=$(mktemp -d)
trap 'tmux kill-session -t cairn-wine 2>/dev/null || true; rm -rf "$folder"' EXIT
mkdir "$folder/levels"
# Delete comes as 0xE0 'S' and F10 as 0x00 'D': a step down or right here,
# if either code were taken for a key of its own.
printf '#P #\n#  ##\n#E###\n' >"$folder/levels/1.txt"
tmux new-session -d -s cairn-wine -x 40 -y 20 \
  "cd '$folder' && wine '$game'; echo \$? > '$folder/status'; sleep 30"

screen() { tmux capture-pane -p -S - -t cairn-wine; }
frames() { screen | grep -c -x -F -- "$1" || true; }
expect() {  # waits up to 30 s for the screen to show a line COUNT times
  for _ in $(seq 300); do [ "$(frames "$1")" -ge "$2" ] && return 0; sleep 0.1; done
  echo "wine console: expected '$1' $2 times"; screen; exit 1
}

expect '#P #' 1
tmux send-keys -t cairn-wine DC
expect '#P #' 2
# Wine's console passes no code for F10 to _getch; Windows gives a redraw.
tmux send-keys -t cairn-wine F10
sleep 1
if [ "$(frames '# P#')" -ne 0 ] || [ "$(frames '#P ##')" -ne 0 ]; then
  echo "wine console: Delete or F10 moved the player"; screen; exit 1
fi
tmux send-keys -t cairn-wine s
expect '#P ##' 1
tmux send-keys -t cairn-wine s
expect 'Gratz, you won!' 1
tmux send-keys -t cairn-wine x
for _ in $(seq 100); do [ -s "$folder/status" ] && break; sleep 0.1; done
[ "$(cat "$folder/status" 2>/dev/null)" = 0 ] || { echo "wine console: no exit status 0"; exit 1; }
if screen | grep -v Gratz | grep -q '[sSx]'; then echo "wine console: a key was echoed"; screen; exit 1; fi
echo "wine console: keys without Enter or echo; Delete and F10 ignored; status 0"
