#!/usr/bin/env bash
# The install tree holds the programs, the desktop entry, the icons and the manual page, and the
# installed command line tool runs from there.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/vornell bin/vornell-cli bin/talvo-sim share/applications/vornell.desktop \
         share/icons/hicolor/scalable/apps/vornell.svg share/icons/hicolor/48x48/apps/vornell.png \
         share/man/man1/vornell-cli.1; do
  [ -e "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
"$prefix/bin/vornell-cli" --help | grep -q '^usage: vornell-cli' || { echo "vornell-cli --help failed"; exit 1; }
grep -q '^Exec=vornell$' "$prefix/share/applications/vornell.desktop"
echo "1 passed, 0 failed"
