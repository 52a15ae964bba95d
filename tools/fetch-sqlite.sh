#!/usr/bin/env bash
# Fetches the SQLite amalgamation (sqlite3.c, sqlite3.h, version 3.53.0) that the Windows build
# turns into sqlite3.dll. It comes inside the npm package better-sqlite3@12.9.0, whose tarball is
# checked against a known SHA-256 before anything is taken out of it. Everything stays in a cache
# outside the source tree; prints the folder that holds the two files.
set -euo pipefail
package=better-sqlite3@12.9.0
tarball_name=better-sqlite3-12.9.0.tgz
tarball_sha256=ad0e29650140c49d0335b1d356596aa8166f12b758f418a98446130e3278f250

cache=${XDG_CACHE_HOME:-$HOME/.cache}/velmorra
source_dir=$cache/sqlite-amalgamation-3.53.0
if [ -f "$source_dir/sqlite3.c" ] && [ -f "$source_dir/sqlite3.h" ]; then
  echo "$source_dir"
  exit 0
fi

mkdir -p "$cache"
tarball=$cache/$tarball_name
verified() { echo "$tarball_sha256  $tarball" | sha256sum --check --status; }
if [ ! -f "$tarball" ] || ! verified; then
  rm -f "$tarball"
  (cd "$cache" && npm pack "$package" --silent >/dev/null)
  if ! verified; then
    rm -f "$tarball"
    echo "fetch-sqlite.sh: $tarball_name does not have the expected SHA-256; not used" >&2
    exit 1
  fi
fi

# Unpacked under a temporary name and renamed, so an interruption never leaves half the sources.
partial=$(mktemp -d "$cache/sqlite-partial.XXXXXX")
trap 'rm -rf "$partial"' EXIT
tar -xzf "$tarball" -C "$partial" package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h
grep -q '#define SQLITE_VERSION  *"3\.53\.0"' "$partial/package/deps/sqlite3/sqlite3.h"
rm -rf "$source_dir"
mv "$partial/package/deps/sqlite3" "$source_dir"
echo "$source_dir"
