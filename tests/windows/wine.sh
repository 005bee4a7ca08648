# Sourced by the Wine scripts with the Windows build folder as $1: $wine, the
# 64-bit loader (Debian's wine64 keeps it outside PATH), and a Wine prefix of
# the build's own, made once (Wine's first start takes a while) and without
# the installers of Mono and Gecko, which would ask to download them.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
[ -x "$wine" ] || { echo "FAIL: no wine64 (scripts/deps.sh windows-test installs it)"; exit 1; }
wineserver=$(command -v wineserver64 || command -v wineserver || echo /usr/lib/wine/wineserver64)
export WINEPREFIX="$(cd "$1" && pwd)/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  env -u DISPLAY "$wine" wineboot -i >/dev/null 2>&1
  "$wineserver" -w
fi
