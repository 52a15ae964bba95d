#!/usr/bin/env bash
# Makes the Windows folder dist/velmorra-<version>-windows-x64.zip: sets up Debian 12, builds the
# programs for Windows (Release) with mingw-w64 in the folder given (default: build-windows, the
# build that tools/run-tests.sh tests under Wine) and packs velmorra.exe, velmorra-cli.exe,
# sqlite3.dll, README.txt and LICENCES.txt into one folder of that name. Extra arguments go to
# CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-windows}
shift || true
bash tools/setup-debian.sh
cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build_dir" -j "$(nproc)" --target velmorra velmorra-cli sqlite3

version=$(sed -n 's/^#define VELMORRA_VERSION "\(.*\)"$/\1/p' "$build_dir/generated/version.h")
sqlite_dir=$(sed -n 's/^VELMORRA_SQLITE_SOURCE_DIR:PATH=//p' "$build_dir/CMakeCache.txt")
sqlite_version=$(sed -n 's/^#define SQLITE_VERSION  *"\(.*\)"$/\1/p' "$sqlite_dir/sqlite3.h")
gcc_version=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
name=velmorra-$version-windows-x64
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"

for file in velmorra.exe velmorra-cli.exe sqlite3.dll; do
  x86_64-w64-mingw32-strip -o "$stage/$name/$file" "$build_dir/bin/$file"
done
# Texts for Notepad: CR LF line ends. LICENCES.txt ends with the licences of the run-time
# libraries as Debian ships them with the tool chain that built the programs.
fill() {
  sed -e "s/@PROJECT_VERSION@/$version/g" -e "s/@VELMORRA_SQLITE_VERSION@/$sqlite_version/g" \
    -e "s/@VELMORRA_MINGW_GCC_VERSION@/$gcc_version/g" "$1"
}
to_crlf() { sed 's/\r$//; s/$/\r/'; }
fill packaging/windows/README.txt.in | to_crlf > "$stage/$name/README.txt"
{
  fill packaging/windows/LICENCES.txt.in
  printf '\n\n2. MinGW-w64 (mingw-w64-crt, winpthreads)\n------------------------------------------\n'
  cat /usr/share/doc/mingw-w64-x86-64-dev/copyright
  printf '\n\n3. GCC run-time libraries (libstdc++, libgcc)\n---------------------------------------------\n'
  cat /usr/share/doc/gcc-mingw-w64-base/copyright
} | to_crlf > "$stage/$name/LICENCES.txt"

# One folder in the zip; every entry dated by the version's release, so the same sources give
# the same zip.
release_date=$(sed -n 's/^set(VELMORRA_RELEASE_DATE \(.*\))$/\1/p' CMakeLists.txt)
mkdir -p dist
zip=$PWD/dist/$name.zip
rm -f "$zip"
(cd "$stage" && cmake -E tar cf "$zip" --format=zip --mtime="$release_date 00:00:00 UTC" \
  "$name/README.txt" "$name/velmorra.exe" "$name/velmorra-cli.exe" "$name/sqlite3.dll" \
  "$name/LICENCES.txt")
echo "dist/$name.zip"
