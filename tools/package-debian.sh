#!/usr/bin/env bash
# Makes the Debian packages dist/velmorra-cli_<version>_amd64.deb (the command line) and
# dist/velmorra_<version>_amd64.deb (the window): sets up Debian 12, builds in the folder given
# (default: build, the build that tools/run-tests.sh tests) and packs what `cmake --install` puts
# under /usr with CPack. Every file in them is dated by the version's release (SOURCE_DATE_EPOCH),
# so the same sources give the same packages. The maintainer comes from DEBFULLNAME and DEBEMAIL
# when they are set. Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
shift || true
bash tools/setup-debian.sh
bash tools/build.sh "$build_dir" "$@"

release_date=$(sed -n 's/^set(VELMORRA_RELEASE_DATE \(.*\))$/\1/p' CMakeLists.txt)
SOURCE_DATE_EPOCH=$(date -u -d "$release_date 00:00:00" +%s)
export SOURCE_DATE_EPOCH
umask 022
(cd "$build_dir" && cpack -G DEB)
mkdir -p dist
version=$(sed -n 's/^#define VELMORRA_VERSION "\(.*\)"$/\1/p' "$build_dir/generated/version.h")
for package in velmorra-cli velmorra; do
  file="${package}_${version}_amd64.deb"
  cp "$build_dir/$file" "dist/$file"
  echo "dist/$file"
done
