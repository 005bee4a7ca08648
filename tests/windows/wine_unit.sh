#!/usr/bin/env bash
# The unit tests built for Windows, run under Wine: 64-bit Windows keeps long
# at 32 bits and has its own file system and C library, faults that the Linux
# run cannot see.
# Usage: wine_unit.sh <windows-build-dir>
set -uo pipefail
source "$(dirname "$0")/wine.sh"
tests="$(cd "$1" && pwd)/tests/brastor_tests.exe"
[ -f "$tests" ] || { echo "FAIL: $tests not built (make windows)"; exit 1; }
"$wine" "$tests" --gtest_brief=1
code=$?
"$wineserver" -w
exit $code
