#!/usr/bin/env bash
# Sets up, builds and runs the Linux program. Arguments go to ovik:
#   scripts/run.sh                 the dialog in this terminal
#   scripts/run.sh report /home    a headless report
# The program is built in build/run (its own folder, optimised, no tests)
# and stays there as build/run/ovik.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
mkdir -p build/run
log=build/run/build.log
if ! { cmake --preset run && cmake --build --preset run -j"$(nproc)"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "run: building ovik failed (the log above is kept in $log)" >&2
  exit 1
fi
exec build/run/ovik "$@"
