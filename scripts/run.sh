#!/usr/bin/env bash
# Sets up, builds and runs the Linux program. Arguments go to ovik:
#   scripts/run.sh                 the dialog in this terminal
#   scripts/run.sh report /home    a headless report
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release -DOVIK_TESTS=OFF -DOVIK_BENCH=OFF >/dev/null
cmake --build --preset release -j"$(nproc)" --target ovik >/dev/null
exec build/release/ovik "$@"
