#!/usr/bin/env bash
# Builds the Debian package of a build directory into a scratch folder and
# checks its metadata and file list. With --install (CI, as root) it also
# installs the package with apt-get, runs the tool from it and removes it
# again, checking that no file of it is left.
# Usage: tests/package_check.sh BUILD_DIR [--install]
set -euo pipefail
build_dir=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 || {
  cat "$scratch/cpack.log" >&2
  exit 1
}
shopt -s nullglob
packages=("$scratch"/pandemie_*.deb)
[ "${#packages[@]}" -eq 1 ] || { echo "expected one pandemie_<version>_<arch>.deb, found ${#packages[@]}" >&2; exit 1; }
package=${packages[0]}
echo "built $(basename "$package")"

failures=0
check() {  # description, command...
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
info=$(dpkg-deb -I "$package")
files=$(dpkg-deb -c "$package" | awk '{print $6}')
check "package name" grep -q '^ Package: pandemie$' <<<"$info"
check "architecture" grep -q "^ Architecture: $(dpkg --print-architecture)$" <<<"$info"
check "Qt libraries found by dpkg-shlibdeps" grep -Eq '^ Depends: .*libqt6widgets6' <<<"$info"
check "fonts and translations" grep -Eq '^ Depends: .*fonts-crosextra-carlito.*qt6-translations-l10n' <<<"$info"
check "section" grep -q '^ Section: science$' <<<"$info"
for file in usr/bin/pandemie usr/bin/pandemie-cli usr/share/applications/org.pandemie.pandemie.desktop \
  usr/share/metainfo/org.pandemie.pandemie.metainfo.xml usr/share/man/man1/pandemie.1 \
  usr/share/man/man1/pandemie-cli.1 usr/share/bash-completion/completions/pandemie-cli \
  usr/share/doc/pandemie/LICENSE usr/share/doc/pandemie/README.md; do
  check "contains /$file" grep -qx "./$file" <<<"$files"
done

if [ "${2:-}" = --install ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "not root: the package is not installed"
  else
    mapfile -t installed < <(grep -v '/$' <<<"$files" | sed 's#^\.##')
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package" >"$scratch/apt.log" 2>&1 || {
      cat "$scratch/apt.log" >&2
      exit 1
    }
    check "installed tool runs" /usr/bin/pandemie-cli --version
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq pandemie >"$scratch/apt.log" 2>&1 || {
      cat "$scratch/apt.log" >&2
      exit 1
    }
    left=0
    for file in "${installed[@]}"; do [ -e "$file" ] && { echo "left after removal: $file"; left=1; }; done
    check "every file removed again" test "$left" -eq 0
  fi
fi
[ "$failures" -eq 0 ] || exit 1
echo "package checks passed"
