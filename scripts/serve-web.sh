#!/usr/bin/env bash
# Builds the page when anything changed and serves it on 127.0.0.1 only; prints the
# address to open. Usage: scripts/serve-web.sh [PORT] (default 8019; a free port
# when that one is taken). Ctrl-C stops it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-web.sh
exec node web/serve.mjs build/web/site "${1:-8019}"
