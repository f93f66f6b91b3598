#!/usr/bin/env bash
# The main job: sets up, builds and runs the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
"$BUILD_DIR/bin/tavrel" --version
