#!/usr/bin/env bash
# Checks dist/velmorra-<version>-windows-x64.msi the way a Windows user meets it, under Wine, in
# a fresh prefix: installs it for the current user without asking (msiexec /i /qn), finds the
# programs in %LOCALAPPDATA%\Programs\Velmorra, the Start-menu shortcut and the entry that
# uninstalls it; registers the sample datastore as the Ovi software would, starts the shortcut's
# target on a virtual display and converts with Alt+C: the backup must land in the Documents
# folder and equal the Linux build's byte for byte. Then uninstalls (msiexec /x /qn) and checks
# that nothing of the installation is left: no file, no folder, no registry key. The Linux build
# folder (default: build) gives the sample and the expected backup.
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=${1:-build}
fail() { echo "check-windows-installer: $*" >&2; exit 1; }

version=$(sed -n 's/^#define VELMORRA_VERSION "\(.*\)"$/\1/p' "$linux_build/generated/version.h")
msi=$PWD/dist/velmorra-$version-windows-x64.msi
[ -f "$msi" ] || fail "$msi is missing: make it with tools/package-windows.sh"
sample=$(realpath "$linux_build/examples/MDataStore.db3")
work=$(mktemp -d)
# A home of its own: Wine links the prefix's Documents to the home's, and Wine's menu builder
# (off here) would write desktop entries into it.
export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$HOME"
cleanup() {
  wineserver -k 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wineboot --init > /dev/null 2>&1
wineserver -w

user_dir=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
install_dir=$user_dir/AppData/Local/Programs/Velmorra
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Velmorra.lnk"
documents=$(readlink -f "$user_dir/Documents")
registry() { cat "$WINEPREFIX"/*.reg | grep -i velmorra || true; }

# What the prefix holds before: every file and folder, and the registry's keys of Velmorra (none).
snapshot() {
  find "$WINEPREFIX/drive_c" "$HOME" -path "$WINEPREFIX/drive_c/windows" -prune -o -print | sort
}
snapshot > "$work/before"
[ -z "$(registry)" ] || fail "a fresh prefix already knows Velmorra"

echo "Installing $msi"
wine msiexec /i "$msi" /qn || fail "msiexec /i failed"
wineserver -w
for file in velmorra.exe velmorra-cli.exe sqlite3.dll LICENCES.txt; do
  [ -f "$install_dir/$file" ] || fail "$file is not in %LOCALAPPDATA%\\Programs\\Velmorra"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut Velmorra.lnk"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2> /dev/null |
  grep -q 'DisplayName.*Velmorra' ||
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2> /dev/null |
  grep -q 'DisplayName.*Velmorra' || fail "no uninstall entry for Velmorra"
(cd "$install_dir" && wine ./velmorra-cli.exe --version | tr -d '\r' | grep -qx "velmorra-cli $version") ||
  fail "the installed velmorra-cli.exe does not answer --version"

# The Start-menu shortcut's target (the link holds it as a Windows path), started as a user
# clicks the shortcut, with the sample registered as the Ovi software would.
target=$(strings -a "$shortcut" | grep -i -m 1 '^[A-Z]:\\.*\\velmorra\.exe$') ||
  fail "the shortcut names no velmorra.exe"
[ "$(readlink -f "$(winepath -u "$target")")" = "$(readlink -f "$install_dir/velmorra.exe")" ] ||
  fail "the shortcut points at $target, not the installed velmorra.exe"
mkdir -p "$WINEPREFIX/drive_c/Ovi/DataBase"
cp "$sample" "$WINEPREFIX/drive_c/Ovi/DataBase/MDataStore.db3"
wine reg add 'HKCU\Software\Nokia\MPlatform\DataStores\Sample' /v DatastorePath /t REG_SZ \
  /d 'C:\Ovi' /f > /dev/null
# A Wine server started without a display makes no windows for later programs: it ends first.
wineserver -k 2> /dev/null || true
wineserver -w
backup="$documents/sms_All Phones.xml"
xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
  wine "$1" > /dev/null 2>&1 &
  window=
  for _ in $(seq 60); do
    window=$(xdotool search --name "^Velmorra convert utility" 2> /dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.5
  done
  [ -n "$window" ] || { echo "no window" >&2; exit 1; }
  sleep 2
  xdotool windowfocus --sync "$window" key alt+c
  for _ in $(seq 60); do
    if [ -f "$2" ]; then break; fi
    sleep 0.5
  done
  sleep 1
  wineserver -k
' bash "$target" "$backup" || fail "the installed window did not come up"
[ -f "$backup" ] || fail "Convert in the installed window wrote no backup into Documents ($documents)"
"$linux_build/bin/velmorra-cli" convert "$sample" --output-dir "$work" > /dev/null
cmp "$backup" "$work/sms_All Phones.xml" || fail "the installed window wrote another backup than the Linux build"
[ ! -e "$install_dir/sms_All Phones.xml" ] || fail "the installed window wrote into its program folder"
wineserver -w

echo "Uninstalling"
wine msiexec /x "$msi" /qn || fail "msiexec /x failed"
wineserver -w
# What the user made stays (the backup, the registered sample); nothing of the installation.
rm -f "$backup"
rm -rf "$WINEPREFIX/drive_c/Ovi"
snapshot > "$work/after"
# Windows Installer's own folder, where it keeps the icons of products installed for one user
# (Wine leaves it empty).
left=$(comm -13 "$work/before" "$work/after" | grep -vx "$user_dir/AppData/Roaming/Microsoft/Installer" || true)
[ -z "$left" ] || fail "left after uninstalling: $left"
[ -z "$(registry)" ] || fail "the registry still holds: $(registry)"
echo "The Windows installer installs, works from the Start menu and uninstalls cleanly."
