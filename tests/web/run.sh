#!/usr/bin/env bash
# The browser test: installs what is missing (Emscripten, Chromium, the npm
# packages), checks the page's key mapping natively, builds the page, serves
# it on a free local port, plays it and draws, proves and plays a level in its
# level studio in Chromium, and stops the server.
#
#   tests/web/run.sh [native-build-folder]   (as for web/build.sh)
#
# Exits 0 when every check held.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
out="$(realpath -m "${BRASTOR_WEB_BUILD:-build-web}")"
mkdir -p "$out"

# ---- tools (npm may come with a nodejs that is not Debian's)
scripts/deps.sh web chromium libgtest-dev $(command -v npm >/dev/null || echo npm)
if [ ! -f tests/web/node_modules/playwright-core/package.json ]; then
  (cd tests/web && npm ci --no-audit --no-fund)
fi

# ---- the key mapping, natively, under the sanitizers
g++ -std=c++20 -Wall -Wextra -Wshadow -Werror -g -fsanitize=address,undefined -fno-sanitize-recover=all \
  -Isrc tests/web/keys_test.cpp src/platform/web/web_keys.cpp src/platform/keys.cpp \
  -lgtest -lgtest_main -pthread -o "$out/web_keys_test"
"$out/web_keys_test" --gtest_brief=1

# ---- the page, and the checker whose report the studio's must match
BRASTOR_WEB_BUILD="$out" web/build.sh "$@"
native="$(realpath -m "${1:-$out/native}")"
cmake --build "$native" --target brastor-mapcheck >/dev/null

# ---- serve on any free port (the server names it) and play
server=""
stop_server() { [ -z "$server" ] || { kill "$server"; wait "$server"; } 2>/dev/null || true; server=""; }
trap stop_server EXIT
BRASTOR_WEB_BUILD="$out" web/serve.sh 0 >"$out/serve.log" 2>&1 &
server=$!
address=""
for _ in $(seq 100); do
  address="$(grep -o -m1 'http://127\.0\.0\.1:[0-9]*/' "$out/serve.log" || true)"
  [ -n "$address" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
[ -n "$address" ] || { echo "tests/web/run.sh: the page server did not start" >&2; cat "$out/serve.log" >&2; exit 1; }

BRASTOR_WEB_OUT="$out" BRASTOR_WEB_FAILURE_SHOT="$out/test-failure.png" node tests/web/browser_test.mjs "$address"
BRASTOR_WEB_OUT="$out" node tests/web/studio_test.mjs "$address" "$native/brastor-mapcheck"
