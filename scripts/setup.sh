#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need (only what is missing).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libpng-dev
  ffmpeg mediainfo graphicsmagick openimageio-tools python3
  # The desktop application: Qt 6 Widgets and Test, the offscreen and xcb platform plugins
  # (libqt6gui6, qt6-qpa-plugins), and an X server for the screenshots.
  qt6-base-dev qt6-base-dev-tools libqt6gui6 qt6-qpa-plugins libgl-dev xvfb xauth
)

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
