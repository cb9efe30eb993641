#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need (only what is missing).
#   scripts/setup.sh          everything: the build, the tests' tools and oracles
#   scripts/setup.sh demo     only what the demo needs: the command line's build and the sample writers
#   scripts/setup.sh package  only what the Debian package needs: both programs' build, dpkg-shlibdeps
# Another package manager holding the lock (an unattended upgrade on a fresh machine) is waited for,
# up to REELMAKER_APT_WAIT seconds (default 600), rather than failing at once.
set -euo pipefail

profile="${1:-all}"
case "$profile" in
all | demo | package) ;;
*) echo "usage: scripts/setup.sh [demo|package]" >&2; exit 2 ;;
esac
packages=(build-essential cmake ninja-build pkg-config libpng-dev nlohmann-json3-dev)
if [ "$profile" = package ]; then
  # CPack's Depends: dpkg-shlibdeps (dpkg-dev), which it runs on what file(1) calls an executable.
  packages+=(qt6-base-dev qt6-base-dev-tools libgl-dev dpkg-dev file)
else
  packages+=(ffmpeg graphicsmagick)
fi
if [ "$profile" = all ]; then
  packages+=(libgtest-dev libgmock-dev mediainfo openimageio-tools python3)
  # The file types' test compiles them as the package's trigger does.
  packages+=(shared-mime-info)
  # The desktop application: Qt 6 Widgets and Test, the offscreen and xcb platform plugins
  # (libqt6gui6, qt6-qpa-plugins), and an X server for the screenshots.
  packages+=(qt6-base-dev qt6-base-dev-tools libqt6gui6 qt6-qpa-plugins libgl-dev xvfb xauth)
  # The window driven as a person drives it (scripts/gui_drive.sh): a window manager, keys and
  # clicks, window queries and screenshots.
  packages+=(openbox xdotool imagemagick x11-utils)
  # The storage simulator of bench/storage_bench.sh: libfuse 3 to build it, fusermount3 to unmount it.
  packages+=(libfuse3-dev fuse3)
  # translate --farm's tests and bench/farm_bench.sh start a private one-node Slurm of their own; the
  # packages' system services are never used.
  packages+=(slurmctld slurmd slurm-client munge)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
wait_seconds="${REELMAKER_APT_WAIT:-600}"
lock=(-o "DPkg::Lock::Timeout=$wait_seconds")

# 'apt-get update' takes the lists lock, which the timeout above does not cover: retry while
# another package manager holds it.
waited=0
until $sudo apt-get "${lock[@]}" update -qq 2>/tmp/reelmaker-apt-update.err; do
  if grep -qi 'lock' /tmp/reelmaker-apt-update.err && [ "$waited" -lt "$wait_seconds" ]; then
    [ "$waited" -eq 0 ] && echo "setup: another package manager holds the lock; waiting (up to ${wait_seconds} s)" >&2
    sleep 5
    waited=$((waited + 5))
  else
    cat /tmp/reelmaker-apt-update.err >&2
    exit 1
  fi
done
$sudo apt-get "${lock[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
