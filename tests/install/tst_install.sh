#!/usr/bin/env bash
# The install tree holds the programs, the desktop entry, the icons and the manual page, and the
# installed programs run from there. The application keeps its settings beside itself when the user
# may write to its folder, and in the user's configuration folder when not (an installed program).
#
# Run by root, the programs run as the unprivileged user nobody: root may write to any folder, so a
# read-only prefix would mean nothing to it.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

for f in bin/vornell bin/vornell-cli bin/talvo-sim share/applications/vornell.desktop \
         share/icons/hicolor/scalable/apps/vornell.svg share/man/man1/vornell-cli.1.gz \
         share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/vornell.png; do
  [ -e "$prefix/$f" ] || fail "missing: $f"
done
grep -q '^Exec=vornell$' "$prefix/share/applications/vornell.desktop" || fail "desktop entry does not start vornell"

# A home of its own, so that nothing touches the real user's files.
home=$work/home
mkdir -p "$home/Documents" "$home/run"
chmod 700 "$home/run"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody: "$work"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
user_env=(env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/run")

"${as_user[@]}" "${user_env[@]}" "$prefix/bin/vornell-cli" --help | grep -q '^usage: vornell-cli' ||
  fail "vornell-cli --help"

# Starts the installed application and closes it with SIGTERM, which it takes as the user closing the
# main window, once it has installed its handler (the window then exists). The handler counts only
# once the process runs the application itself: until its last exec the child still shows the
# SIGTERM handler it inherited from this script (the EXIT trap makes bash catch SIGTERM), and an exec
# resets every caught signal. The executable is read before the signal mask, so a mask read after
# it is the application's own.
run_vornell() {
  "${as_user[@]}" "${user_env[@]}" "$prefix/bin/vornell" >"$work/vornell.out" 2>&1 &
  local pid=$! mask exe
  exe=$(readlink -f "$prefix/bin/vornell")
  while kill -0 "$pid" 2>/dev/null; do
    if [ "$(readlink "/proc/$pid/exe" 2>/dev/null || true)" = "$exe" ]; then
      mask=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
      [ -n "$mask" ] && (((16#$mask >> 14) & 1)) && break
    fi
    sleep 0.05
  done
  kill -TERM "$pid" 2>/dev/null || true
  # A window left open (a message box) would wait for a user who is not there.
  for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -KILL "$pid" 2>/dev/null && fail "vornell did not close within 30 s of SIGTERM"
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { fail "vornell exited with $status"; cat "$work/vornell.out"; }
}

beside=$prefix/bin/vornell.ini
config=$home/.config/Vornell/vornell.ini

# Read-only prefix: the settings are read from and written to the configuration folder, and a
# folder missing there defaults to Documents.
mkdir -p "$(dirname "$config")"
printf '[Path]\nLastImportPath=%s\n' "$home/imports" >"$config"
[ ${#as_user[@]} -eq 0 ] || chown -R nobody: "$home/.config"
chmod a-w "$prefix/bin"
run_vornell
[ -e "$beside" ] && fail "read-only prefix: settings written beside the executable"
if [ -e "$config" ]; then
  grep -qx "LastImportPath=$home/imports" "$config" || fail "read-only prefix: LastImportPath not read back"
  grep -qx "LastSavePath=$home/Documents/" "$config" || fail "read-only prefix: LastSavePath is not Documents"
  grep -qx 'LastPort=-1' "$config" || fail "read-only prefix: no LastPort"
else
  fail "read-only prefix: no settings in $config"
fi

# Writable prefix: a portable copy keeps everything beside the executable and leaves the settings of
# an installed copy alone.
before=$(cat "$config" 2>/dev/null || true)
chmod u+w "$prefix/bin"
run_vornell
if [ -e "$beside" ]; then
  grep -qx "LastSavePath=$prefix/bin/" "$beside" || fail "writable prefix: LastSavePath is not the program's folder"
  grep -qx "LastImportPath=$prefix/bin/" "$beside" || fail "writable prefix: LastImportPath is not the program's folder"
else
  fail "writable prefix: no settings beside the executable"
fi
[ "$(cat "$config" 2>/dev/null || true)" = "$before" ] || fail "writable prefix: the configuration folder's file changed"

[ "$failed" -eq 0 ] || { echo "$failed failed"; exit 1; }
echo "all passed"
