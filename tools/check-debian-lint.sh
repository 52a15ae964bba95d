#!/usr/bin/env bash
# Checks the Debian packages in dist/ (made by tools/package-debian.sh from the build folder
# given, default: build) as a distribution's reviewer would: lintian, pedantic and experimental
# tags included, must find no error and no warning (bogus-mail-host aside while the maintainer is
# the placeholder: set DEBFULLNAME and DEBEMAIL to make real packages), and hardening-check must
# pass every protection of both programs that it can tell (PIE, the stack protector,
# FORTIFY_SOURCE, RELRO, BIND_NOW; stack clash protection shows only in functions with large
# frames). Control-flow protection is not asked for: Debian 12's C library start-up files lack it,
# so no program built on Debian 12 has it.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
fail() { echo "check-debian-lint: $*" >&2; exit 1; }

version=$(sed -n 's/^#define VELMORRA_VERSION "\(.*\)"$/\1/p' "$build_dir/generated/version.h")
debs=(dist/velmorra-cli_"$version"_amd64.deb dist/velmorra_"$version"_amd64.deb)
for deb in "${debs[@]}"; do
  [ -f "$deb" ] || fail "$deb is missing: make it with tools/package-debian.sh"
done

suppress=()
if dpkg-deb -f "${debs[0]}" Maintainer | grep -q '@invalid>$'; then
  suppress=(--suppress-tags bogus-mail-host,bogus-mail-host-in-debian-changelog)
fi
echo "lintian ${debs[*]}"
lintian --pedantic --info --display-experimental --fail-on error,warning "${suppress[@]}" \
  "${debs[@]}" || fail "lintian found errors or warnings (above)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for deb in "${debs[@]}"; do
  dpkg-deb -x "$deb" "$work"
done
for program in velmorra-cli velmorra; do
  hardening-check --nocfprotection "$work/usr/bin/$program" || fail "$program is not hardened (above)"
done
echo "lintian and hardening-check find nothing to fix."
