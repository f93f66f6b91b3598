#!/usr/bin/env bash
# Renders the sample topic in every built-in page template to docs/templates/<folder>.png with
# headless Chromium. The sample pages come from the built-in template test, which makes them
# through the page engine exactly as a build does.
#
#     bash tools/render_templates.sh [BUILD_FOLDER]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
samples="$(mktemp -d)"
trap 'rm -rf -- "$samples"' EXIT

TAVREL_TEMPLATE_SAMPLES="$samples" QT_QPA_PLATFORM=offscreen \
  "$build/bin/test_output" --gtest_filter='BuiltinTemplates.EveryTemplateMakesCompletePages' >/dev/null

mkdir -p "$root/docs/templates"
for folder in "$samples"/*/; do
  name="$(basename "$folder")"
  # As root Chromium needs --no-sandbox; a private profile keeps it away from any real one.
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --user-data-dir="$samples/.profile" --window-size=1000,1250 \
    --screenshot="$root/docs/templates/$name.png" \
    "file://$folder/installing-lumen-notes.htm" >/dev/null 2>&1
  echo "docs/templates/$name.png"
done
