#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tandrel need,
# skipping those already present. Works as root or through sudo.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git diffutils
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev dpkg-dev
    googletest libgtest-dev
    clang libclang-rt-dev
    fonts-liberation fonts-wqy-microhei fonts-wqy-zenhei fonts-dejavu-core
)
# The browser check of the HTML report needs chromium, a large download: only on request
# (TANDREL_BROWSER_CHECK=1, as CI sets it); without it that test is skipped.
if [ "${TANDREL_BROWSER_CHECK:-}" = 1 ]; then
    packages+=(chromium python3)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
