#!/usr/bin/env bash
# Renders the main window (the bundled sample read, a few chapters marked),
# the preview window and the settings dialog to PNG files under docs/.
# Run it again whenever a window changes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh --target shell_pictures
bash scripts/make-sample.sh build/sample
mkdir -p docs
QT_QPA_PLATFORM=offscreen "${BUILD_DIR:-build}/shell_pictures" "$PWD/build/sample/VIDEO_TS" docs
