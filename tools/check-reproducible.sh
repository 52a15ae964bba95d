#!/usr/bin/env bash
# Checks that the release packages are reproducible: builds them twice from the same commit
# (default: HEAD), each time from a fresh copy of its files in a temporary folder of another
# name and depth, with tools/package-debian.sh and tools/package-windows.sh (the programs only,
# no tests), and compares the two Debian packages and the Windows zip byte for byte. Where two
# differ, diffoscope shows how. Exit status 0 when every file is identical. (The MSI is not
# compared: wixl gives each build new package and product codes, as Windows Installer expects.)
# Costs two builds of the programs for Linux and for Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
commit=${1:-HEAD}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

folders=("$work/one/velmorra" "$work/second-build/sources/velmorra-copy")
for folder in "${folders[@]}"; do
  mkdir -p "$folder"
  git archive "$commit" | tar -x -C "$folder"
  echo "Building the packages in $folder"
  (cd "$folder" &&
    bash tools/package-debian.sh build -DVELMORRA_BUILD_TESTS=OFF -DVELMORRA_BUILD_BENCH=OFF &&
    bash tools/package-windows.sh build-windows -DVELMORRA_BUILD_TESTS=OFF) > "$folder.log" 2>&1 ||
    { tail -n 30 "$folder.log" >&2; echo "check-reproducible: the build in $folder failed" >&2; exit 1; }
done

different=0
for file in $(cd "${folders[0]}/dist" && ls -- *.deb *.zip); do
  first=${folders[0]}/dist/$file
  second=${folders[1]}/dist/$file
  if cmp -s "$first" "$second"; then
    echo "identical: $file ($(sha256sum < "$first" | cut -c 1-16)…)"
  else
    echo "DIFFERENT: $file"
    diffoscope --text - "$first" "$second" | head -n 200 || true
    different=1
  fi
done
[ "$different" -eq 0 ] || { echo "check-reproducible: two builds of $commit differ" >&2; exit 1; }
echo "Two builds of $commit in two folders gave byte-identical packages."
