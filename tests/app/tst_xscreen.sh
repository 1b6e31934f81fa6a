#!/usr/bin/env bash
# The application on a real X server with a window manager (openbox), at 150 % text size on screens of
# 1280x1024 and 1920x1080: the main window's frame lies wholly on the screen, and so do the menu bar and
# the status bar at the top and bottom of its client area, whether it fits at its designed size or
# opens maximised; its caption is "Vornell". A message box carries its own caption with nothing
# appended: the warning for a settings file that cannot be written, shown when the application is
# told to close.
set -euo pipefail
vornell=$1

for tool in Xvfb openbox xprop xwininfo; do
  command -v $tool >/dev/null || { echo "$tool is not installed"; exit 77; }
done
work=$(mktemp -d)
app=
wm=
xvfb=
# The application goes before its window manager and X server.
stop() {
  set +e
  [ -n "$app" ] && { kill -9 $app 2>/dev/null; wait $app 2>/dev/null; }
  [ -n "$wm" ] && { kill $wm 2>/dev/null; wait $wm 2>/dev/null; }
  [ -n "$xvfb" ] && { kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; }
  app= wm= xvfb=
}
trap 'stop; rm -rf "$work"' EXIT

# A folder where the settings file would be: the settings cannot be written at close.
cp "$vornell" "$work/vornell"
mkdir "$work/vornell.ini"

# Waits (at most a minute, however busy the machine) for a viewable top-level window of the
# application with that caption, framed by the window manager, and prints its id.
wait_for() {
  for _ in $(seq 600); do
    for id in $(xwininfo -root -tree | grep -F "\"$1\": (\"vornell\"" | awk '{print $1}'); do
      xwininfo -id "$id" | grep -q 'IsViewable' && xprop -id "$id" _NET_FRAME_EXTENTS | grep -q '=' &&
        { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  echo "no window named '$1'; the windows are:" >&2
  xwininfo -root -tree | grep '"' >&2 || true
  return 1
}

# The frame's left, top, right and bottom edges on the screen.
frame_of() {
  local x y w h l r t b
  read -r x y w h < <(xwininfo -id "$1" |
    awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width:/{w=$NF} /Height:/{h=$NF}
         END{print x, y, w, h}')
  read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  echo $((x - l)) $((y - t)) $((x + w + r)) $((y + h + b))
}

# screen size, then the environment of the text size
check() {
  local screen=$1 width=${1%x*} height=${1#*x}
  shift
  Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 600); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
  : >"$work/display"
  openbox >/dev/null 2>&1 &
  wm=$!
  # However busy the machine: a window mapped before the window manager runs would get no frame.
  for i in $(seq 600); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
    [ "$i" -lt 600 ] || { echo "openbox did not start"; exit 1; }
    sleep 0.1
  done
  env QT_QPA_PLATFORM=xcb "$@" VORNELL_SYSTEM_PORTS=0 VORNELL_SERIAL_PORTS= "$work/vornell" &
  app=$!

  local main previous= now
  main=$(wait_for Vornell)
  # The window manager may still move it: until two looks a second apart agree.
  for _ in $(seq 60); do
    now=$(frame_of "$main")
    [ "$now" = "$previous" ] && break
    previous=$now
    sleep 1
  done
  read -r left top right bottom <<<"$now"
  echo "$screen $*: main window frame from $left,$top to $right,$bottom"
  if [ "$left" -lt 0 ] || [ "$top" -lt 0 ] || [ "$right" -gt "$width" ] || [ "$bottom" -gt "$height" ]; then
    echo "the main window is not wholly on the screen"
    exit 1
  fi
  xprop -id "$main" _NET_WM_NAME | grep -qx '_NET_WM_NAME(UTF8_STRING) = "Vornell"' ||
    { xprop -id "$main" _NET_WM_NAME; exit 1; }

  kill -TERM "$app"
  box=$(wait_for Warning)
  xprop -id "$box" _NET_WM_NAME | grep -qx '_NET_WM_NAME(UTF8_STRING) = "Warning"' ||
    { xprop -id "$box" _NET_WM_NAME; exit 1; }
  stop
}

check 1280x1024 QT_SCALE_FACTOR=1.5
check 1280x1024 QT_FONT_DPI=144
check 1920x1080 QT_SCALE_FACTOR=1.5
check 1280x1024 QT_SCALE_FACTOR=1
echo "on the screen, captions exact"
