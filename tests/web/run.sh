#!/bin/sh
# Browser checks of the page: run.sh PAGE_DIR CLI
#   PAGE_DIR  the folder web/build.sh wrote (index.html, pandemie.js, pandemie.wasm, fonts/)
#   CLI       pandemie-cli, whose files the page's runs and chart must equal
# Serves PAGE_DIR on 127.0.0.1 and drives Debian's chromium; one line per
# check, exit status 1 when any fails. Images go to $WEB_TEST_ARTIFACTS, by
# default a scratch folder that the run names.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 PAGE_DIR CLI" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
page_dir=$(cd "$1" && pwd)
cli=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")

exec "$here/node.sh" "$here/page_test.mjs" "$page_dir" "$cli"
