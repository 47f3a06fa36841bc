#!/usr/bin/env bash
# Sets up a fresh Debian or Ubuntu machine, then builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
exec make test
