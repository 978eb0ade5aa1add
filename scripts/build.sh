#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR), as $BUILD_TYPE
# (default RelWithDebInfo), with warnings as errors; $CMAKE_OPTIONS adds
# configure options (e.g. "-DVOBMARKS_SANITIZE=ON -DVOBMARKS_BENCH=OFF").
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
# shellcheck disable=SC2086  # CMAKE_OPTIONS is a list of words
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="$BUILD_TYPE" -DVOBMARKS_WERROR=ON \
  ${CMAKE_OPTIONS:-} >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" "$@"
