#!/usr/bin/env bash
# Serves the built page (web/build.sh) on this machine only, each file
# precompressed where the browser accepts it (web/serve.py).
#
#   web/serve.sh [port]     default port 8000 (0: any free one, printed on the
#                           first line); BRASTOR_WEB_BUILD as for build.sh
#
# The server replaces this script's process, so its id is the script's id.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
site="$(realpath -m "${BRASTOR_WEB_BUILD:-build-web}")/site"
port="${1:-8000}"
if [ ! -f "$site/index.html" ] || [ ! -f "$site/sw.js" ]; then
  echo "web/serve.sh: no page in $site; run web/build.sh first" >&2
  exit 1
fi
exec python3 "$root/web/serve.py" "$site" "$port"
