#!/usr/bin/env bash
# Runs hostile projects and documents against "tavrel --build" as a throwaway unprivileged user
# (created when missing), each in a temporary tree owned by that user with decoy files around
# it, so that a guard that fails can only touch that tree. One PASS/FAIL line per case, then
# "N passed, N failed". Exit 0 when every case passed, 1 when one failed, 77 when it cannot run
# here (not root, no useradd).
# Usage: tests/security/run_hostile.sh [PATH/TO/tavrel] [CASE-PATTERN]
#   The program defaults to build/bin/tavrel; CASE-PATTERN (a regular expression) picks cases.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../../build/bin/tavrel}
pattern=${2:-}

if [ "$(id -u)" -ne 0 ]; then
  echo "run_hostile: needs root to create the throwaway user and hand it its tree; skipped"
  exit 77
fi
for tool in useradd setpriv python3; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "run_hostile: $tool is missing; skipped"
    exit 77
  fi
done
if [ ! -x "$program" ]; then
  echo "run_hostile: no program at $program" >&2
  exit 2
fi
# The system's own interpreter: the harness must not depend on a per-user installation.
py=/usr/bin/python3
[ -x "$py" ] || py=$(command -v python3)
exec "$py" "$here/hostile.py" "$program" "$pattern"
