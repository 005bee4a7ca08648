#!/bin/bash
# Includes point down: a file under src/ includes only headers of its own
# layer and the layers below (platform, world, play, shell from the bottom),
# only src/platform/sdl/ includes SDL, and only src/platform/win32/ (and the
# file reader's program-folder lookup) the Windows API. Each offending line is named.
set -u
cd "$2/src" || exit 1
grep -rnE '^[[:space:]]*#[[:space:]]*include' --include='*.h' --include='*.cpp' --include='*.inc' . | awk '
BEGIN { rank["platform"] = 0; rank["world"] = 1; rank["play"] = 2; rank["shell"] = 3 }
{
    split($0, at, ":"); file = substr(at[1], 3); split(file, dirs, "/"); layer = dirs[1]
    if (!match($0, /["<][^">]*[">]/)) next
    header = substr($0, RSTART + 1, RLENGTH - 2); sub(/^(\.\.\/)+/, "", header)
    split(header, parts, "/")
    if ((parts[1] in rank) && (layer in rank) && rank[parts[1]] > rank[layer]) {
        printf "src/%s:%s: %s includes %s, a higher layer\n", file, at[2], layer, header; bad = 1
    }
    if (header ~ /(^|\/)SDL/ && file !~ /^platform\/sdl\//) {
        printf "src/%s:%s: SDL outside src/platform/sdl: %s\n", file, at[2], header; bad = 1
    }
    if (tolower(header) ~ /^(windows|xinput|mmsystem)\.h$/ && file !~ /^platform\/(win32\/|files\.cpp$)/) {
        printf "src/%s:%s: the Windows API outside src/platform/win32: %s\n", file, at[2], header; bad = 1
    }
}
END { exit bad }'
