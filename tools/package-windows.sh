#!/usr/bin/env bash
# Makes the Windows packages: the portable folder dist/velmorra-<version>-windows-x64.zip and the
# per-user installer dist/velmorra-<version>-windows-x64.msi. Sets up Debian 12, builds the
# programs for Windows (Release) with mingw-w64 in the folder given (default: build-windows, the
# build that tools/run-tests.sh tests under Wine), and packs velmorra.exe, velmorra-cli.exe,
# sqlite3.dll, README.txt and LICENCES.txt into one folder of that name in the zip; the installer
# (packaging/windows/velmorra.wxs, built with wixl) holds the same but README.txt. The zip's
# bytes depend on the sources alone (tools/check-reproducible.sh). Extra arguments go to CMake's
# configure step.
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

# strip stamps the time into a program it rewrites: the release's, from SOURCE_DATE_EPOCH.
release_date=$(sed -n 's/^set(VELMORRA_RELEASE_DATE \(.*\))$/\1/p' CMakeLists.txt)
SOURCE_DATE_EPOCH=$(date -u -d "$release_date 00:00:00" +%s)
export SOURCE_DATE_EPOCH
for file in velmorra.exe velmorra-cli.exe sqlite3.dll; do
  x86_64-w64-mingw32-strip -o "$stage/$name/$file" "$build_dir/bin/$file"
done
# Texts for Notepad: CR LF line ends. LICENCES.txt gives Velmorra's licence, then the licences of
# the run-time libraries as Debian ships them with the tool chain that built the programs, and
# in an appendix the full text of every licence these point at in /usr/share/common-licenses.
# It holds non-ASCII names: a UTF-8 byte-order mark tells Notepad (Windows 7's too) so.
fill() {
  sed -e "s/@PROJECT_VERSION@/$version/g" -e "s/@VELMORRA_SQLITE_VERSION@/$sqlite_version/g" \
    -e "s/@VELMORRA_MINGW_GCC_VERSION@/$gcc_version/g" -e '/@VELMORRA_LICENSE@/{r LICENSE' -e 'd}' "$1"
}
to_crlf() { sed 's/\r$//; s/$/\r/'; }
heading() { printf '\n\n%s\n%s\n' "$1" "$(printf '%s' "$1" | tr -c '\n' -)"; }
fill packaging/windows/README.txt.in | to_crlf > "$stage/$name/README.txt"
toolchain_copyrights=(/usr/share/doc/mingw-w64-x86-64-dev/copyright /usr/share/doc/gcc-mingw-w64-base/copyright)
{
  printf '\xEF\xBB\xBF'
  fill packaging/windows/LICENCES.txt.in
  heading "3. MinGW-w64 (mingw-w64-crt, winpthreads)"
  cat "${toolchain_copyrights[0]}"
  heading "4. GCC run-time libraries (libstdc++, libgcc)"
  cat "${toolchain_copyrights[1]}"
  # GPL and LGPL there are links to the latest versions: each text once, under all its names.
  mapfile -t referenced < <(grep -ho '/usr/share/common-licenses/[A-Za-z0-9.+-]*[A-Za-z0-9+]' \
    "${toolchain_copyrights[@]}" | sort -u)
  for text in $(for licence in "${referenced[@]}"; do readlink -f "$licence"; done | sort -u); do
    names=$(for licence in "${referenced[@]}"; do
      if [ "$(readlink -f "$licence")" = "$text" ]; then echo "$licence"; fi
    done | paste -sd ',' | sed 's/,/, /g')
    heading "Appendix: $names"
    cat "$text"
  done
} | to_crlf > "$stage/$name/LICENCES.txt"

# One folder in the zip; every entry dated by the version's release and stored without the
# files' other times and owners (zip -X), so the same sources give the same zip.
mkdir -p dist
zip=$PWD/dist/$name.zip
rm -f "$zip"
chmod 644 "$stage/$name"/*.txt
chmod 755 "$stage/$name"/*.exe "$stage/$name"/*.dll
touch -d "@$SOURCE_DATE_EPOCH" "$stage/$name"/*
(cd "$stage" && TZ=UTC zip -X -q -9 "$zip" "$name/README.txt" "$name/velmorra.exe" \
  "$name/velmorra-cli.exe" "$name/sqlite3.dll" "$name/LICENCES.txt")
echo "dist/$name.zip"

# The installer: the same files but README.txt (whose "nothing is installed" is the zip's).
# wixl takes the files' paths relative to the folder it runs in.
msi=$PWD/dist/$name.msi
rm -f "$msi"
cp "$build_dir/icons/velmorra.ico" "$stage/velmorra.ico"
(cd "$stage" && wixl --arch x64 -D Version="$version" -D SourceDir="$name" -D Icon=velmorra.ico \
  -o "$msi" "$OLDPWD/packaging/windows/velmorra.wxs")
echo "dist/$name.msi"
