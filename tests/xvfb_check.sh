#!/usr/bin/env bash
# Starts the real window under Xvfb at scale factor 1 and 2, takes a
# screenshot of each and checks a few pixels.
# Usage: tests/xvfb_check.sh path/to/pandemie screenshot.png
# The screenshot at scale 2 goes next to it, as screenshot-scale2.png.
set -euo pipefail
program=$1
shot=$2
scratch=$(mktemp -d)
xvfb_pid=
app_pid=
stop() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>>"$scratch/stop.log" || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>>"$scratch/stop.log" || true
  app_pid=
  xvfb_pid=
}
trap 'stop; rm -rf "$scratch"' EXIT

rgb_at() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:; }

# Without a window manager the window's client area starts at (9, 9) on the
# screen, the chart's drawing area at client (416, 8); both in pixels of the
# window, which the scale factor multiplies.
window_shot() {  # scale, screenshot
  local scale=$1 image=$2 display
  # Xvfb picks a free display and writes its number to the descriptor.
  Xvfb -displayfd 3 -screen 0 2600x1400x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.2; done
  display=:$(head -n 1 "$scratch/display")
  QT_SCALE_FACTOR=$scale DISPLAY=$display "$program" >"$scratch/app.log" 2>&1 &
  app_pid=$!
  chart_x=$(((9 + 416) * scale))
  chart_y=$(((9 + 8) * scale))
  # Wait until the window shows its chart.
  for _ in $(seq 100); do
    if DISPLAY=$display import -window root "$image" 2>>"$scratch/import.log" &&
      [ "$(rgb_at "$image" $((chart_x + 700 * scale)) $((chart_y + 100 * scale)))" = "255,255,255" ]; then
      break
    fi
    sleep 0.2
  done
  stop
}

failures=0
expect() {  # image, name, chart x, chart y, expected "r,g,b"; at the top left of the chart's pixel
  local image=$1 name=$2 x=$((chart_x + $3 * scale)) y=$((chart_y + $4 * scale)) want=$5 got
  got=$(rgb_at "$image" "$x" "$y")
  if [ "$got" = "$want" ]; then
    echo "ok   scale $scale: $name at $x,$y: $got"
  else
    echo "FAIL scale $scale: $name at $x,$y: $got, expected $want"
    failures=$((failures + 1))
  fi
}

for scale in 1 2; do
  image=$shot
  [ "$scale" -ne 1 ] && image=${shot%.png}-scale$scale.png
  window_shot "$scale" "$image"
  expect "$image" "window background beside the chart" -16 300 "128,0,0"
  expect "$image" "white chart" 700 100 "255,255,255"
  expect "$image" "black frame" 60 100 "0,0,0"
  expect "$image" "not infected curve, day 1" 64 62 "0,0,255"
  expect "$image" "infected curve, day 1" 64 558 "255,0,0"
  expect "$image" "recovered curve, day 1" 64 556 "0,255,0"
done

# At scale 2 the chart's text is drawn at the screen's resolution: its
# title is not made of 2 x 2 blocks of equal pixels.
title="$scratch/title.png"
blocks="$scratch/title-blocks.png"
convert "$image" -crop 700x40+$((chart_x + 110))+$((chart_y + 50)) +repage "$title"
convert "$title" -sample 50% -sample 200% "$blocks"
differing=$(compare -metric AE "$title" "$blocks" "$scratch/difference.png" 2>&1 || true)
if ! [[ "$differing" =~ ^[1-9][0-9]*$ ]]; then
  echo "FAIL scale 2: the chart's title is enlarged, not drawn sharp"
  failures=$((failures + 1))
else
  echo "ok   scale 2: the chart's title is drawn sharp"
fi

if [ "$failures" -ne 0 ]; then
  echo "The real window does not look as it should; screenshots: $shot, ${shot%.png}-scale2.png" >&2
  exit 1
fi
echo "The real window looks right; screenshots: $shot, ${shot%.png}-scale2.png"
