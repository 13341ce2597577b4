#!/bin/sh
# Runs a node script of the page's checks or benchmark with playwright-core,
# which it installs first from the lock file (npm ci); no browser is
# downloaded, the scripts use Debian's chromium.
# Usage: tests/web/node.sh SCRIPT [ARGUMENTS...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -d "$here/node_modules/playwright-core" ]; then
    (cd "$here" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund)
fi
exec node "$@"
