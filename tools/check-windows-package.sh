#!/usr/bin/env bash
# Checks dist/velmorra-<version>-windows-x64.zip the way a Windows user meets it, under Wine:
# unpacks it into an empty folder inside a fresh Wine prefix, registers the sample datastore in
# that prefix's registry as the Ovi software would, runs velmorra-cli.exe stores and convert
# (the backup must equal the Linux build's byte for byte), and starts velmorra.exe on a virtual
# display for a few seconds. The Linux build folder (default: build) gives the sample and the
# expected backup.
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=${1:-build}
fail() { echo "check-windows-package: $*" >&2; exit 1; }

version=$(sed -n 's/^#define VELMORRA_VERSION "\(.*\)"$/\1/p' "$linux_build/generated/version.h")
name=velmorra-$version-windows-x64
zip=$PWD/dist/$name.zip
[ -f "$zip" ] || fail "$zip is missing: make it with tools/package-windows.sh"
sample=$(realpath "$linux_build/examples/MDataStore.db3")
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wineboot --init > /dev/null 2>&1

# Unpacked into an empty folder on drive C: of the prefix: the zip's one folder, and only it.
unpacked=$WINEPREFIX/drive_c/users/Public/Velmorra
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip")
[ "$(ls "$unpacked")" = "$name" ] || fail "the zip does not hold exactly the folder $name"
folder=$unpacked/$name
for file in velmorra.exe velmorra-cli.exe sqlite3.dll README.txt LICENCES.txt; do
  [ -f "$folder/$file" ] || fail "$file is missing from the zip"
done
cli() { (cd "$folder" && wine ./velmorra-cli.exe "$@" | tr -d '\r'); }

# The version the build gave the programs: the command line's, and both version resources with
# the copyright; each program's icon and manifest (of that version); SQLite's own version.
[ "$(cli --version)" = "velmorra-cli $version" ] || fail "velmorra-cli.exe --version: $(cli --version)"
for file in velmorra.exe velmorra-cli.exe; do
  strings -e l "$folder/$file" | grep -qx "$version" || fail "$file has no version resource $version"
  strings -e l "$folder/$file" | grep -qx "Copyright (c) 2026 The Velmorra developers" ||
    fail "$file has no LegalCopyright"
  wrestool -l --type=14 "$folder/$file" | grep -q . || fail "$file has no icon"
  wrestool -x --raw --type=24 "$folder/$file" | grep -q "version=\"$version.0\"" ||
    fail "$file has no manifest of version $version.0"
done
sqlite_version=$(strings -e l "$folder/sqlite3.dll" | grep -x -m 1 '3\.[0-9]*\.[0-9]*') ||
  fail "sqlite3.dll has no version resource"
# Lines end in CR LF also when the output goes into a pipe, as Windows programs read them.
[ "$(cd "$folder" && wine ./velmorra-cli.exe --version | tail -c 2 | od -An -c | tr -d ' ')" = '\r\n' ] ||
  fail "velmorra-cli.exe does not end its lines in CR LF"
# The texts: README.txt plain ASCII; LICENCES.txt UTF-8 with a byte-order mark for Notepad, with
# Velmorra's licence and the full text of the GPL, not a path to it.
! LC_ALL=C grep -q '[^[:print:][:space:]]' "$folder/README.txt" || fail "README.txt is not plain ASCII"
[ "$(head -c 3 "$folder/LICENCES.txt" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
  fail "LICENCES.txt has no UTF-8 byte-order mark"
grep -q 'Copyright (c) 2026 The Velmorra developers' "$folder/LICENCES.txt" || fail "LICENCES.txt lacks Velmorra's licence"
grep -q 'GNU GENERAL PUBLIC LICENSE' "$folder/LICENCES.txt" || fail "LICENCES.txt lacks the GPL's text"
grep -q "SQLite $sqlite_version" "$folder/LICENCES.txt" || fail "LICENCES.txt names another SQLite than $sqlite_version"

# The sample as the Ovi software keeps it, registered in the prefix's registry.
mkdir -p "$WINEPREFIX/drive_c/Ovi/DataBase"
cp "$sample" "$WINEPREFIX/drive_c/Ovi/DataBase/MDataStore.db3"
wine reg add 'HKCU\Software\Nokia\MPlatform\DataStores\Sample' /v DatastorePath /t REG_SZ \
  /d 'C:\Ovi' /f > /dev/null
wineserver -w
touch "$work/before-use"
cli stores | grep -qi '	C:\\Ovi\\DataBase\\MDataStore.db3$' ||
  fail "velmorra-cli.exe stores does not list the registered sample: $(cli stores)"

# Converted beside the program, as a user in that folder would; equal to the Linux backup.
cli convert 'C:\Ovi\DataBase\MDataStore.db3' --output-dir 'C:\users\Public\Velmorra\'"$name" ||
  fail "velmorra-cli.exe convert failed"
"$linux_build/bin/velmorra-cli" convert "$sample" --output-dir "$work" > /dev/null
cmp "$folder/sms_All Phones.xml" "$work/sms_All Phones.xml" ||
  fail "velmorra-cli.exe wrote another backup than the Linux build"

# The window comes up on a virtual display and stays until it is closed. The Wine server the
# command line left running has no display, and a window asked of it would never be made: it has
# to end first.
wineserver -k 2> /dev/null || true
wineserver -w
xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
  cd "$1" && wine ./velmorra.exe > /dev/null 2>&1 &
  for _ in $(seq 60); do
    if xdotool search --name "^Velmorra convert utility" > /dev/null 2>&1; then break; fi
    sleep 0.5
  done
  xdotool search --name "^Velmorra convert utility" > /dev/null || { echo "no window" >&2; exit 1; }
  sleep 3
  xdotool search --name "^Velmorra convert utility" > /dev/null || { echo "the window went away" >&2; exit 1; }
  wineserver -k
' bash "$folder" || fail "velmorra.exe did not keep its window open"
# Portable: what the programs wrote is in their folder, and the registry holds nothing of them.
wineserver -w
changed=$(find "$WINEPREFIX/drive_c" -newer "$work/before-use" ! -type d ! -path "$folder/*")
[ -z "$changed" ] || fail "files outside the program's folder changed: $changed"
! grep -qi velmorra "$WINEPREFIX"/*.reg || fail "the registry holds a key or value of Velmorra"
echo "The Windows zip unpacks, works under Wine and shows its window."
