#!/usr/bin/env bash
# Cross-compiles Velmorra for Windows into the folder given (default: build-windows) with
# mingw-w64, as a Release build: the one tested under Wine is the one the zip ships. The
# programs, the test programs and sqlite3.dll land in its bin/. Extra arguments go to CMake's
# configure step. The first build fetches SQLite's amalgamation (tools/fetch-sqlite.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-windows}
shift || true
cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build_dir" -j "$(nproc)"
