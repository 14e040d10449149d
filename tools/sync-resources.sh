#!/usr/bin/env bash
# Regenerates the Shift_JIS site files from their UTF-8 sources.
set -euo pipefail
cd "$(dirname "$0")/../resources"
for src in src/*.utf8.ini; do
    out=$(basename "$src" .utf8.ini).ini
    iconv -f UTF-8 -t CP932 "$src" > "$out"
    echo "wrote resources/$out"
done
