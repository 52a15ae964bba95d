#!/usr/bin/env bash
# Sets everything up on Debian 12, builds Velmorra into build/, and converts the bundled sample
# datastore into build/sample-output/, then shows where the backup file is and how it begins.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-debian.sh
bash tools/build.sh build

datastore=build/examples/MDataStore.db3
output_dir=build/sample-output
mkdir -p "$output_dir"

echo
echo "Phones in the sample datastore ($datastore):"
build/bin/velmorra-cli phones "$datastore" | sed 's/^$/(no phone recorded)/; s/^/  /'

echo
echo "Converting every phone's text messages:"
result=$(build/bin/velmorra-cli convert "$datastore" --output-dir "$output_dir")
backup_file=$(printf '%s\n' "$result" | head -n 1)
printf '%s\n' "$result" | sed 's/^/  /'

echo
echo "The SMS backup file is $backup_file"
echo "Its first lines:"
head -n 6 "$backup_file" | tr -d '\r' | cut -c 1-200 | sed 's/^/  /'
echo
