#!/usr/bin/env bash
# Installs the Debian packages the way a user does (apt-get install ./….deb): first
# dist/velmorra-cli_<version>_amd64.deb alone, which must not bring the window's Qt, and uses it
# (velmorra-cli --version, stores, convert of the sample); then dist/velmorra_<version>_amd64.deb,
# the window, for a few seconds on an offscreen display. Then purges both and checks that none of
# their files and folders is left. Needs root (or sudo) and the build folder the packages were
# made from (default: build), whose velmorra-cli writes the backup the installed one must equal.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
apt_get() { DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get -o DPkg::Lock::Timeout=600 "$@"; }
fail() { echo "check-debian-package: $*" >&2; exit 1; }

version=$(sed -n 's/^#define VELMORRA_VERSION "\(.*\)"$/\1/p' "$build_dir/generated/version.h")
cli_deb=dist/velmorra-cli_${version}_amd64.deb
window_deb=dist/velmorra_${version}_amd64.deb
for deb in "$cli_deb" "$window_deb"; do
  [ -f "$deb" ] || fail "$deb is missing: make it with tools/package-debian.sh"
done
sample=$(realpath "$build_dir/examples/MDataStore.db3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The packages' paths, and which of their folders were there before they came.
for deb in "$cli_deb" "$window_deb"; do
  dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^/\?$'
done > "$work/paths"
while IFS= read -r path; do
  if [ -d "$path" ]; then echo "$path"; fi
done < "$work/paths" > "$work/folders-before"
for package in velmorra-cli velmorra; do
  if dpkg -s "$package" > /dev/null 2>&1; then fail "$package is installed already"; fi
done

# The command line stands alone: nothing of Qt, Mesa or X among its dependencies or libraries.
! dpkg-deb -f "$cli_deb" Depends | grep -Ei 'qt|libgl|libx|mesa' ||
  fail "velmorra-cli depends on the window's libraries: $(dpkg-deb -f "$cli_deb" Depends)"

echo "Installing $cli_deb"
apt_get install -y --no-install-recommends "./$cli_deb"

echo "Using the installed command line"
[ "$(command -v velmorra-cli)" = /usr/bin/velmorra-cli ] || fail "velmorra-cli is not /usr/bin/velmorra-cli"
[ "$(velmorra-cli --version)" = "velmorra-cli $version" ] || fail "velmorra-cli --version: $(velmorra-cli --version)"
! readelf -d /usr/bin/velmorra-cli | grep -Ei 'NEEDED.*(qt|libgl|libx)' ||
  fail "/usr/bin/velmorra-cli links the window's libraries"

# A Wine prefix that registers the sample, as the Ovi software would have.
prefix=$work/prefix
mkdir -p "$prefix/drive_c/Ovi/DataBase" "$prefix/dosdevices"
ln -s ../drive_c "$prefix/dosdevices/c:"
cp "$sample" "$prefix/drive_c/Ovi/DataBase/MDataStore.db3"
printf '%s\n' 'WINE REGISTRY Version 2' ';; All keys relative to \\User\\S-1-5-21-0' '' '#arch=win32' '' \
  '[Software\\Nokia\\MPlatform\\DataStores\\A] 1700000000' '#time=1d9e2b8c0a4f3e2' \
  '"DatastorePath"="C:\\Ovi"' > "$prefix/user.reg"
WINEPREFIX=$prefix velmorra-cli stores | grep -q "	$prefix/dosdevices/c:/Ovi/DataBase/MDataStore.db3$" ||
  fail "velmorra-cli stores does not list the registered sample"

# The installed command writes, into the current folder, what the tested build writes.
mkdir "$work/installed" "$work/built"
(cd "$work/installed" && velmorra-cli convert "$sample") || fail "velmorra-cli convert failed"
"$build_dir/bin/velmorra-cli" convert "$sample" --output-dir "$work/built" > /dev/null
cmp "$work/installed/sms_All Phones.xml" "$work/built/sms_All Phones.xml" ||
  fail "the installed velmorra-cli wrote another backup than the build"

echo "Installing $window_deb"
apt_get install -y --no-install-recommends "./$window_deb"

# The window starts, with the sample given as a desktop gives a file dropped on its icon, and
# keeps running until it is closed.
mkdir "$work/home"
HOME=$work/home WINEPREFIX=$prefix QT_QPA_PLATFORM=offscreen velmorra "$sample" > "$work/window.log" 2>&1 &
window=$!
sleep 4
if ! kill -0 "$window" 2> /dev/null; then
  cat "$work/window.log" >&2
  fail "the window ended by itself"
fi
kill "$window"
wait "$window" || true

desktop-file-validate /usr/share/applications/org.velmorra.Velmorra.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.velmorra.Velmorra.metainfo.xml > /dev/null
if command -v man > /dev/null; then
  [ "$(man -w velmorra-cli)" = /usr/share/man/man1/velmorra-cli.1.gz ] || fail "man velmorra-cli finds no page"
fi

echo "Purging the packages"
apt_get purge -y velmorra velmorra-cli
left=0
while IFS= read -r path; do
  if [ -e "$path" ] || [ -L "$path" ]; then
    if ! grep -qxF "$path" "$work/folders-before"; then
      echo "left behind: $path" >&2
      left=1
    fi
  fi
done < "$work/paths"
[ "$left" -eq 0 ] || fail "files of the packages are left after the purge"
echo "The Debian packages install, work and purge cleanly."
