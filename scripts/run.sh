#!/usr/bin/env bash
# Builds Quovix 5 (installing what is missing) and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
exec "${QUOVIX_BUILD_DIR:-$top/build}/bin/quovix" "$@"
