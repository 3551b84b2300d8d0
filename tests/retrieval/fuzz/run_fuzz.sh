#!/usr/bin/env bash
# The mail-parser fuzz target for the given time, as before tests/support/fuzz/run_fuzz.sh
# served every target:
#
#   tests/retrieval/fuzz/run_fuzz.sh [seconds] [--merge]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
exec "$here/../../support/fuzz/run_fuzz.sh" mime --seconds "${1:-60}" ${2:+"$2"}
