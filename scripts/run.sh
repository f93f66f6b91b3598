#!/usr/bin/env bash
# The main job: sets up and builds the program, then builds the sample project's help from a
# work copy and prints where the outputs are.
#
# The program never builds a project inside its installation folder, so the sample is copied
# first, to $TAVREL_SAMPLE_DIR (default: <build folder>/sample-run). The script only writes into
# an empty folder or one it made itself (it leaves a marker file there) and refuses any other;
# it never deletes anything: the build replaces its own earlier outputs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
TAVREL="$BUILD_DIR/bin/tavrel"
"$TAVREL" --version

WORK=${TAVREL_SAMPLE_DIR:-$PWD/$BUILD_DIR/sample-run}
MARKER="$WORK/.tavrel-sample-copy"
if [ -e "$WORK" ] && [ ! -f "$MARKER" ] && [ -n "$(ls -A "$WORK" 2>/dev/null || echo not-a-folder)" ]; then
  echo "run: $WORK exists and was not made by this script; set TAVREL_SAMPLE_DIR to another folder." >&2
  exit 1
fi
mkdir -p "$WORK"
echo "A work copy of the sample project, made by scripts/run.sh; it may overwrite this folder's sample files." >"$MARKER"
cp -f data/sample/sample.tvp data/sample/sample.docx "$WORK/"

echo "run: building $WORK/sample.tvp"
status=0
"$TAVREL" --build "$WORK/sample.tvp" || status=$?

echo
echo "Outputs of the sample project (in $WORK):"
found=0
# The WebHelp start page is index.html or index.htm, after the project's page extension.
for out in "HTML help/help.chm" "WebHelp/index.html" "WebHelp/index.htm" "PDF/help.pdf"; do
  if [ -f "$WORK/$out" ]; then
    printf '  %-40s %s bytes\n' "$WORK/$out" "$(stat -c %s "$WORK/$out")"
    found=1
  fi
done
[ "$found" = 1 ] || echo "  (none)"
if [ "$status" != 0 ]; then
  echo "run: the build of the sample failed (exit code $status)." >&2
fi
exit "$status"
