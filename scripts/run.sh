#!/usr/bin/env bash
# Installs what is missing, builds Tandrel and starts it. Without arguments it opens the two
# versions of the demo application that the build generates, so that a comparison is shown at
# once; arguments go to the program as they are (see build/app/tandrel --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target tandrel
if [ -n "$(cmake --build build --target help | grep -w demo_libraries || true)" ]; then
    cmake --build build --target demo_libraries
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: start Tandrel inside a desktop session (DISPLAY or WAYLAND_DISPLAY)." >&2
    exit 1
fi
if [ $# -eq 0 ]; then
    demo1=$(ls build/demo/v1/*.pbw 2>/dev/null | head -n 1 || true)
    demo2=$(ls build/demo/v2/*.pbw 2>/dev/null | head -n 1 || true)
    if [ -n "$demo1" ] && [ -n "$demo2" ]; then
        exec build/app/tandrel "$demo1" "$demo2"
    fi
fi
exec build/app/tandrel "$@"
