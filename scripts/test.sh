#!/usr/bin/env bash
# Builds Quovix 5 (installing what is missing) and runs the whole test suite.
# Extra arguments go to ctest, e.g. scripts/test.sh -L serial
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
cd "${QUOVIX_BUILD_DIR:-$top/build}"
exec ctest --output-on-failure --parallel "$(nproc)" "$@"
