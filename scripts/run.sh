#!/usr/bin/env bash
# Builds the Quovix 5 program alone (installing what is missing) and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
QUOVIX_TARGET=quovix "$top/scripts/setup.sh"
exec "${QUOVIX_BUILD_DIR:-$top/build}/bin/quovix" "$@"
