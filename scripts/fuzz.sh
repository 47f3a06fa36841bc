#!/usr/bin/env bash
# Runs every fuzz target in FOLDER for SECONDS each, keeping a corpus per target.
set -euo pipefail
folder=$1
seconds=${2:-60}
# The targets' writes keep no versions: millions of them would fill the user's history.
export QUILLMERE_HISTORY=off
# Seeds from the test builders, for the targets that have them.
if [ -x "$folder/quillmere_fuzz_seeds" ]; then
  "$folder/quillmere_fuzz_seeds" fuzz/corpus
fi
for target in "$folder"/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="fuzz/corpus/$name"
  mkdir -p "$corpus"
  echo "== $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -max_len=65536 "$corpus"
done
