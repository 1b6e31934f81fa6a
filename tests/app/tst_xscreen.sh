#!/usr/bin/env bash
# The application on a real X server of 1280x1024 at 150 % text size: the main window lies wholly on
# the screen with the caption "Vornell", and a message box carries its own caption with nothing
# appended. The box is the warning for a settings file that cannot be written, shown when the
# application is told to close.
set -euo pipefail
vornell=$1

command -v Xvfb >/dev/null || { echo "Xvfb is not installed"; exit 77; }
work=$(mktemp -d)
app=
xvfb=
# The application goes before its X server.
trap 'set +e; kill -9 $app 2>/dev/null; wait $app 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

# A folder where the settings file would be: the settings cannot be written at close.
cp "$vornell" "$work/vornell"
mkdir "$work/vornell.ini"
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1.5 VORNELL_SYSTEM_PORTS=0 VORNELL_SERIAL_PORTS= "$work/vornell" &
app=$!

# Waits (at most a minute, however busy the machine) for a viewable top-level window of the
# application with that caption, and prints its id.
wait_for() {
  for _ in $(seq 600); do
    for id in $(xwininfo -root -children | grep -F "\"$1\": (\"vornell\"" | awk '{print $1}'); do
      xwininfo -id "$id" | grep -q 'IsViewable' && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  echo "no window named '$1'; the windows are:" >&2
  xwininfo -root -children | grep '"' >&2 || true
  return 1
}

main=$(wait_for Vornell)
read -r x y w h < <(xwininfo -id "$main" |
  awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width:/{w=$NF} /Height:/{h=$NF}
       END{print x, y, w, h}')
echo "main window at $x,$y size ${w}x$h"
if [ "$x" -lt 0 ] || [ "$y" -lt 0 ] || [ $((x + w)) -gt 1280 ] || [ $((y + h)) -gt 1024 ]; then
  echo "the main window is not wholly on the screen"
  exit 1
fi
xprop -id "$main" _NET_WM_NAME | grep -qx '_NET_WM_NAME(UTF8_STRING) = "Vornell"' ||
  { xprop -id "$main" _NET_WM_NAME; exit 1; }

kill -TERM "$app"
box=$(wait_for Warning)
xprop -id "$box" _NET_WM_NAME | grep -qx '_NET_WM_NAME(UTF8_STRING) = "Warning"' ||
  { xprop -id "$box" _NET_WM_NAME; exit 1; }
echo "captions exact"
