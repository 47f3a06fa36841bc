#!/usr/bin/env bash
# Runs every fuzz target in FOLDER for SECONDS each, keeping a corpus per target.
set -euo pipefail
folder=$1
seconds=${2:-30}
for target in "$folder"/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="fuzz/corpus/$name"
  mkdir -p "$corpus"
  echo "== $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -max_len=65536 "$corpus"
done
