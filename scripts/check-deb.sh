#!/usr/bin/env bash
# Builds the Debian package from a configured build folder and checks what it holds:
#   scripts/check-deb.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/tandrel_*.deb | head -n 1)
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
missing=0
for path in \
    ./usr/bin/tandrel ./usr/bin/tandrel-cli \
    ./usr/share/doc/tandrel/manual/index.html \
    ./usr/share/applications/tandrel.desktop \
    ./usr/share/mime/packages/tandrel.xml \
    ./usr/share/icons/hicolor/16x16/apps/tandrel.svg \
    ./usr/share/icons/hicolor/48x48/apps/tandrel.svg \
    ./usr/share/icons/hicolor/256x256/apps/tandrel.svg \
    ./usr/share/icons/hicolor/scalable/apps/tandrel.svg; do
    if ! grep -qx "$path" <<<"$listing"; then
        echo "missing from $deb: $path" >&2
        missing=1
    fi
done
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6svg6 qt6-qpa-plugins; do
    if ! grep -q "$package" <<<"$depends"; then
        echo "$deb does not depend on $package: $depends" >&2
        missing=1
    fi
done
if grep -q '^\./usr/bin/.*test' <<<"$listing"; then
    echo "$deb holds test programs" >&2
    missing=1
fi
[ $missing -eq 0 ] && echo "$deb: file list and dependencies as expected"
exit $missing
