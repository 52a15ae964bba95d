#!/usr/bin/env bash
# The Windows icon holds one 32-bit image of each size asked for, in that order.
# Usage: icon_sizes_test.sh ICON SIZE...
set -euo pipefail
icon=$1
shift
expected=$(printf '%s\n' "$@" | sed 's/.*/--width=& --height=& --bit-depth=32/')
found=$(icotool -l "$icon" | sed 's/.*\(--width=[0-9]* --height=[0-9]* --bit-depth=[0-9]*\).*/\1/')
if [ "$found" != "$expected" ]; then
  printf 'Expected:\n%s\nFound in %s:\n%s\n' "$expected" "$icon" "$found"
  exit 1
fi
