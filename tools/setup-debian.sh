#!/usr/bin/env bash
# Installs what Velmorra needs to build, test and run on Debian 12. Safe to run again.
set -euo pipefail
if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
packages=(
  build-essential cmake git pkg-config
  libsqlite3-0 libsqlite3-dev sqlite3
  libicu-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libexpat1-dev time
  clang-14 libclang-rt-14-dev
  qt6-base-dev libgl-dev fonts-dejavu-core
  librsvg2-bin icoutils
  appstream desktop-file-utils groff-base
  mingw-w64 wine wine64
  xvfb xauth xdotool
  dpkg-dev lintian devscripts wixl diffoscope-minimal zip
)
# npm fetches SQLite's amalgamation for the Windows build. Where Node.js brings its own npm,
# Debian's npm conflicts with it: install that only where no npm command exists.
if ! command -v npm >/dev/null; then
  packages+=(npm)
fi
"${SUDO[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
