#!/bin/sh
# Opens a compiled help file in xchm under a private X server, expands a book of its contents
# and saves a picture of the screen. Needs xvfb, xchm, xdotool, x11-apps and netpbm.
# Usage: tools/screenshot_chm.sh HELP.chm OUT.png
set -eu
chm=$1
out=$2
export CHM="$chm" OUT="$out"
xvfb-run -a -s "-screen 0 1100x760x24" sh -c '
  xchm "$CHM" >/dev/null 2>&1 &
  sleep 6
  w=$(xdotool search --onlyvisible --name "xCHM" | head -1)
  xdotool windowmove "$w" 0 0 windowsize "$w" 1100 760
  sleep 2
  xdotool mousemove 140 212 click --repeat 2 1
  sleep 1
  xdotool mousemove 86 231 click --repeat 2 --delay 80 1
  sleep 1
  xdotool mousemove 700 700
  sleep 1
  xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$OUT"
  kill $! 2>/dev/null || true
'
