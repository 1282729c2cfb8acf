#!/usr/bin/env bash
# Installs what is missing, builds Tandrel and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTANDREL_TESTS=OFF -DTANDREL_BENCH=OFF
cmake --build build
if [ -x build/app/tandrel ]; then
    exec build/app/tandrel "$@"
else
    exec build/cli/tandrel-cli --help
fi
