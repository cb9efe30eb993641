#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need (only what is missing).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libpng-dev
  ffmpeg mediainfo graphicsmagick openimageio-tools python3
)
if [ "${REELMAKER_GUI:-0}" = 1 ]; then
  packages+=(qt6-base-dev qt6-base-dev-tools libgl-dev xvfb xauth)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
