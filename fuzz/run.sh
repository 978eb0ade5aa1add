#!/usr/bin/env bash
# Runs one fuzz target at the lowest priority for SECONDS (wall clock):
#   fuzz/run.sh NAME SECONDS [BUILD_DIR]
# New inputs go to BUILD_DIR/corpus/NAME (the seeds in fuzz/corpus/NAME are
# read, never written); crashes to BUILD_DIR/artifacts/NAME/. The CPU seconds
# used are printed at the end, so that runs can be added up.
set -euo pipefail
cd "$(dirname "$0")/.."
name=$1
seconds=$2
build=${3:-build-fuzz}
mkdir -p "$build/corpus/$name" "$build/artifacts/$name"
seeds=()
[ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
status=0
start=$(date +%s)
/usr/bin/env time -f "$name: %U s user %S s system, %e s wall" \
  nice -n 19 "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$build/artifacts/$name/" \
  "$build/corpus/$name" "${seeds[@]}" || status=$?
echo "$name: ran $(( $(date +%s) - start )) s, exit $status"
exit $status
