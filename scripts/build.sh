#!/usr/bin/env bash
# Configures and builds the tree into build/ (Release with debug information). TAVREL_CMAKE_ARGS
# adds CMake options (CI passes -DTAVREL_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${TAVREL_CMAKE_ARGS:-} >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
