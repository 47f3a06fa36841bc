#!/usr/bin/env bash
# Sets up a fresh Debian or Ubuntu machine, builds Quillmere and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
exec make run
