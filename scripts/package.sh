#!/usr/bin/env bash
# Builds the Debian package reelmaker_<version>_<arch>.deb into the checkout's top folder: installs
# what building it needs (Debian 12, as root), makes a Release build of both programs in
# build-package/ (or $REELMAKER_BUILD_DIR) and packages what `cmake --install` installs with CPack.
#   scripts/package.sh
#   apt-get install ./reelmaker_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export REELMAKER_BUILD_DIR="${REELMAKER_BUILD_DIR:-$root/build-package}"

"$root/scripts/setup.sh" package
# The tests and benchmarks are not packaged: left out, they are not built either.
"$root/scripts/build.sh" -DREELMAKER_BUILD_TESTS=OFF -DREELMAKER_BUILD_BENCH=OFF -DREELMAKER_BUILD_GUI=ON

cd "$REELMAKER_BUILD_DIR"
rm -f reelmaker_*.deb
cpack -G DEB
package=(reelmaker_*.deb)
[ ${#package[@]} -eq 1 ] && [ -f "${package[0]}" ] || { echo "package: cpack made no single package" >&2; exit 1; }
# One package in the top folder, so that `apt-get install ./reelmaker_*.deb` names it alone.
rm -f "$root"/reelmaker_*.deb
mv "${package[0]}" "$root/"
echo "$root/${package[0]}"
