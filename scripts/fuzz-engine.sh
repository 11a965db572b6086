#!/usr/bin/env bash
# Fuzzes the player engine's movie parser: scripts/fuzz.sh engine.
#
#   fuzz-engine.sh [seconds [jobs]]    default: 60 seconds, one job per core
set -euo pipefail
exec "$(dirname "$0")/fuzz.sh" engine "${1:-60}" "${2:-$(nproc)}"
