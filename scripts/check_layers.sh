#!/usr/bin/env bash
# Fails when a file under SRC (default: the repository's src) includes a header
# of a layer to its right, when ui and cli include each other, or when a file
# left of ui includes Qt. The layers, left to right:
#   platform < model < containers < singlesave < operations < catalog < ui | cli
# Every folder of SRC must be one of them, so a new folder is placed first.
# The libraries link in the same order, but they share one include root, so
# only this check sees an include against it.
set -euo pipefail

src=$(cd "${1:-$(dirname "$0")/../src}" && pwd)

declare -A rank=([platform]=1 [model]=2 [containers]=3 [singlesave]=4 [operations]=5 [catalog]=6 [ui]=7 [cli]=7)
readonly qt_rank=7

faults=0
fault() {
  echo "$1" >&2
  faults=$((faults + 1))
}

for folder in "$src"/*/; do
  layer=$(basename "$folder")
  [[ -n "${rank[$layer]:-}" ]] || fault "src/$layer: a folder of no layer; add it to scripts/check_layers.sh"
done

while IFS= read -r -d '' file; do
  relative=${file#"$src"/}
  layer=${relative%%/*}
  [[ -n "${rank[$layer]:-}" ]] || continue
  line_number=0
  while IFS= read -r line; do
    line_number=$((line_number + 1))
    [[ "$line" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*([\"\<])([^\"\>]+)[\"\>] ]] || continue
    delimiter=${BASH_REMATCH[1]}
    header=${BASH_REMATCH[2]}
    where="src/$relative:$line_number"
    if [[ "$delimiter" == "<" ]]; then
      if [[ "$header" =~ ^Q[A-Za-z]*(/|$) ]] && ((rank[$layer] < qt_rank)); then
        fault "$where: $layer includes Qt ($header)"
      fi
      continue
    fi
    # A quoted include is found beside the file first, then under src.
    if [[ -e "$(dirname "$file")/$header" ]]; then
      target=$(realpath -m "$(dirname "$file")/$header")
    else
      target=$(realpath -m "$src/$header")
    fi
    [[ "$target" == "$src"/*/* ]] || continue
    included=${target#"$src"/}
    included=${included%%/*}
    [[ "$included" == "$layer" ]] && continue
    if [[ -z "${rank[$included]:-}" ]] || ((rank[$included] >= rank[$layer])); then
      fault "$where: $layer includes $header, of the layer $included to its right"
    fi
  done <"$file"
done < <(find "$src" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' \) -print0)

if ((faults > 0)); then
  echo "check_layers: $faults include(s) against the layers" >&2
  exit 1
fi
echo "check_layers: every include keeps to the layers"
