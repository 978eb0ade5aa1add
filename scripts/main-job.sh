#!/usr/bin/env bash
# Builds the program, makes the bundled sample title set and reads it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
echo "main-job: the sample title set arrives with the title reader" >&2
