#!/usr/bin/env bash
# Makes the Debian package dist/velmorra_<version>_amd64.deb: sets up Debian 12, builds in the
# folder given (default: build, the build that tools/run-tests.sh tests) and packs what
# `cmake --install` puts under /usr with CPack. Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
shift || true
bash tools/setup-debian.sh
bash tools/build.sh "$build_dir" "$@"
(cd "$build_dir" && cpack -G DEB)
mkdir -p dist
version=$(sed -n 's/^#define VELMORRA_VERSION "\(.*\)"$/\1/p' "$build_dir/generated/version.h")
package="velmorra_${version}_amd64.deb"
cp "$build_dir/$package" "dist/$package"
echo "dist/$package"
