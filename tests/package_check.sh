#!/usr/bin/env bash
# Builds the Debian package of a build directory into a scratch folder and
# checks its metadata and file list, that lintian finds neither error nor
# warning in it, and that hardening-check finds its programs hardened (unless
# the build was made without, e.g. for the sanitizers). With --install, and
# always under CI=true, it also installs the package with apt-get (as root),
# runs the tool from it and removes it again, checking that no file of it is left. Where the build has the Python
# module, the package holds it and the installed python3 imports it.
# Usage: tests/package_check.sh BUILD_DIR [--install]
set -euo pipefail
# shellcheck source=tests/skips.sh
source "$(dirname "$0")/skips.sh"
build_dir=$(cd "$1" && pwd)
install=${2:-}
[ "${CI:-}" = true ] && install=--install
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
# From the scratch folder, so that no package folder nearby is found instead;
# as root, so python3 writes byte code beside the module, which removal must
# take away too.
installed_module_works() {
  (cd "$scratch" && /usr/bin/python3 - <<'EOF'
import subprocess
import pandemie
assert pandemie.__file__ == "/usr/lib/python3/dist-packages/pandemie/__init__.py", pandemie.__file__
def tool(*arguments):
    return subprocess.run(["/usr/bin/pandemie-cli", *arguments], capture_output=True, text=True, check=True).stdout
assert tool("--version") == f"pandemie-cli {pandemie.__version__}\n"
assert pandemie.run().csv() == tool()
assert pandemie.ensemble(runs=2).png().startswith(b"\x89PNG")
EOF
  )
}
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build_dir/CMakeCache.txt"; }
python_module=false
if [ -d "$build_dir/python/pandemie" ]; then
  python_module=true
  check "python3 and numpy" grep -Eq '^ Depends: .*python3 \(>= 3\.[0-9]+\).*python3-numpy' <<<"$info"
  for file in __init__.py _core.pyi py.typed; do
    check "contains the module's $file" grep -qx "./usr/lib/python3/dist-packages/pandemie/$file" <<<"$files"
  done
  check "contains the module's extension" grep -Eqx '\./usr/lib/python3/dist-packages/pandemie/_core\..*\.so' <<<"$files"
fi
for file in usr/bin/pandemie usr/bin/pandemie-cli usr/share/applications/org.pandemie.pandemie.desktop \
  usr/share/metainfo/org.pandemie.pandemie.metainfo.xml usr/share/man/man1/pandemie.1.gz \
  usr/share/man/man1/pandemie-cli.1.gz usr/share/bash-completion/completions/pandemie-cli \
  usr/share/doc/pandemie/LICENSE usr/share/doc/pandemie/README.md usr/share/doc/pandemie/copyright \
  usr/share/doc/pandemie/changelog.Debian.gz; do
  check "contains /$file" grep -qx "./$file" <<<"$files"
done

if [ -n "$(cached PANDEMIE_WEB_DIR)" ]; then
  for file in index.html pandemie.js pandemie.wasm fonts/Carlito-Regular.ttf fonts/DejaVuSans.ttf; do
    check "contains the page's $file" grep -qx "./usr/share/pandemie/web/$file" <<<"$files"
  done
fi

for tool in lintian hardening-check; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (packages-checks.txt)" >&2; exit 1; }
done
# Errors and warnings fail; informational and pedantic tags are shown only.
lintian_clean() {
  lintian --fail-on error,warning --pedantic --display-info "$package" >"$scratch/lintian.log" 2>&1
  local status=$?
  grep -v '^running with root privileges' "$scratch/lintian.log" | sed 's/^/     /'
  return $status
}
check "lintian: no error, no warning" lintian_clean

if [ "$(cached PANDEMIE_HARDEN)" = ON ] && [ "$(cached PANDEMIE_SANITIZE)" != ON ] &&
  [ "$(cached PANDEMIE_COVERAGE)" != ON ]; then
  dpkg-deb -x "$package" "$scratch/root"
  # Debian 12's C library start files carry no control-flow note, so the
  # linker marks no program of it so; the branch targets are checked instead.
  check "hardening-check pandemie-cli" hardening-check --quiet --nocfprotection "$scratch/root/usr/bin/pandemie-cli"
  # The window passes no buffer of a size known when compiled to a C library
  # call, so nothing of it is fortified, though it is built so.
  check "hardening-check pandemie" hardening-check --quiet --nocfprotection --nofortify \
    "$scratch/root/usr/bin/pandemie"
  for program in pandemie pandemie-cli; do
    check "$program: indirect branch targets (-fcf-protection)" \
      grep -q endbr64 <(objdump -d --no-show-raw-insn "$scratch/root/usr/bin/$program")
  done
else
  echo "built without hardening: hardening-check left out"
fi

if [ "$install" = --install ]; then
  if [ "$(id -u)" -ne 0 ]; then
    [ "$failures" -eq 0 ] || exit 1
    cannot_check "not root: the package is not installed, run and removed"
  else
    mapfile -t installed < <(grep -v '/$' <<<"$files" | sed 's#^\.##')
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package" >"$scratch/apt.log" 2>&1 || {
      cat "$scratch/apt.log" >&2
      exit 1
    }
    check "installed tool runs" /usr/bin/pandemie-cli --version
    if [ "$python_module" = true ]; then
      check "installed module imports and gives the tool's run" installed_module_works
    fi
    if [ -n "$(cached PANDEMIE_WEB_DIR)" ]; then
      for font in Carlito-Regular.ttf DejaVuSans.ttf; do
        check "the installed page's $font leads to Debian's font" test -s "/usr/share/pandemie/web/fonts/$font"
      done
    fi
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq pandemie >"$scratch/apt.log" 2>&1 || {
      cat "$scratch/apt.log" >&2
      exit 1
    }
    left=0
    for file in "${installed[@]}"; do [ -e "$file" ] && { echo "left after removal: $file"; left=1; }; done
    [ -e /usr/lib/python3/dist-packages/pandemie ] && { echo "left after removal: the module's folder"; left=1; }
    check "every file removed again" test "$left" -eq 0
  fi
fi
[ "$failures" -eq 0 ] || exit 1
echo "package checks passed"
