#!/usr/bin/env bash
# Starts the real window under Xvfb, takes a screenshot and checks a few pixels.
# Usage: tests/xvfb_check.sh path/to/pandemie screenshot.png
set -euo pipefail
program=$1
shot=$2
display=:${XVFB_DISPLAY:-91}

Xvfb "$display" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

for _ in $(seq 50); do DISPLAY=$display import -window root -crop 1x1+0+0 /dev/null 2>/dev/null && break; sleep 0.2; done

DISPLAY=$display "$program" >/dev/null 2>&1 &
app_pid=$!

# Without a window manager the window's client area starts at (9, 9) on the
# screen; the chart's drawing area at client (416, 8).
chart_x=$((9 + 416))
chart_y=$((9 + 8))

rgb_at() { convert "$shot" -format "%[fx:int(255*p{$1,$2}.r+0.5)],%[fx:int(255*p{$1,$2}.g+0.5)],%[fx:int(255*p{$1,$2}.b+0.5)]" info:; }

# Wait until the window shows its chart.
for _ in $(seq 100); do
  if DISPLAY=$display import -window root "$shot" 2>/dev/null && [ "$(rgb_at $((chart_x + 700)) $((chart_y + 100)))" = "255,255,255" ]; then
    break
  fi
  sleep 0.2
done

failures=0
expect() {  # name, screen x, screen y, expected "r,g,b"
  local name=$1 x=$2 y=$3 want=$4 got
  got=$(rgb_at "$x" "$y")
  if [ "$got" = "$want" ]; then
    echo "ok   $name at $x,$y: $got"
  else
    echo "FAIL $name at $x,$y: $got, expected $want"
    failures=$((failures + 1))
  fi
}
expect "window background beside the chart" $((9 + 400)) $((9 + 300)) "128,0,0"
expect "white chart" $((chart_x + 700)) $((chart_y + 100)) "255,255,255"
expect "black frame" $((chart_x + 60)) $((chart_y + 100)) "0,0,0"
expect "not infected curve, day 1" $((chart_x + 64)) $((chart_y + 62)) "0,0,255"
expect "infected curve, day 1" $((chart_x + 64)) $((chart_y + 558)) "255,0,0"
expect "recovered curve, day 1" $((chart_x + 64)) $((chart_y + 556)) "0,255,0"

if [ "$failures" -ne 0 ]; then
  echo "The real window does not look as it should; screenshot: $shot" >&2
  exit 1
fi
echo "The real window looks right; screenshot: $shot"
