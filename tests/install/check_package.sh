#!/usr/bin/env bash
# Checks a Debian package of the programs: the programs, the desktop entry, the icons and the manual
# page are in it, and it depends on the Qt 6 libraries they link. Prints its size.
set -euo pipefail
deb=$1
info=$(dpkg-deb --info "$deb")
contents=$(dpkg-deb --contents "$deb" | awk '{ print $NF }')
failed=0
for f in ./usr/bin/vornell ./usr/bin/vornell-cli ./usr/bin/talvo-sim ./usr/share/applications/vornell.desktop \
         ./usr/share/icons/hicolor/scalable/apps/vornell.svg ./usr/share/man/man1/vornell-cli.1.gz \
         ./usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/vornell.png; do
  grep -qxF "$f" <<<"$contents" || { echo "FAIL: $deb lacks $f"; failed=1; }
done
depends=$(sed -n 's/^ Depends: //p' <<<"$info")
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6serialport6; do
  grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || { echo "FAIL: $deb does not depend on $lib"; failed=1; }
done
[ "$failed" -eq 0 ] || { echo "Depends: $depends"; exit 1; }
echo "$deb: $(stat -c %s "$deb") bytes, installed $(sed -n 's/^ Installed-Size: //p' <<<"$info") KiB"
echo "Depends: $depends"
