#!/usr/bin/env bash
# Builds the program, makes the bundled sample title set, reads it, and
# writes it again with new chapters from a chapter list into a fresh folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
bash scripts/make-sample.sh build/sample
cli=build/vobmarks-cli
in="$PWD/build/sample/VIDEO_TS"
out="$PWD/build/sample/OUT/VIDEO_TS"
rm -rf "$PWD/build/sample/OUT"
printf '0:00:05\n0:00:12.5\n0:00:25\n' > build/sample/chapters.txt
echo "== time list of $in" >&2
"$cli" read "$in" | tail -n 3
"$cli" --yes author "$in" "$out" --chapters build/sample/chapters.txt
echo "main-job: the re-chaptered volume is in $out"
"$cli" read "$out" | grep -c '^ >' | sed 's/^/main-job: chapters in the new volume: /'
