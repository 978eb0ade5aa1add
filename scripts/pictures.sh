#!/usr/bin/env bash
# Renders the main window (the bundled sample read, a few chapters marked),
# the preview window, the settings dialog and the folder picker to PNG files
# under docs/.
# Run it again whenever a window changes.
set -euo pipefail
cd "$(dirname "$0")/.."
# The range label's wave dash and the settings dialog's Japanese message
# need the Japanese font that setup installs.
bash scripts/setup.sh
bash scripts/build.sh --target shell_pictures
bash scripts/make-sample.sh build/sample
mkdir -p docs
QT_QPA_PLATFORM=offscreen "${BUILD_DIR:-build}/shell_pictures" "$PWD/build/sample/VIDEO_TS" docs
