#!/usr/bin/env bash
# Cross-builds the core, quillmere-cli and the core tests for Windows and runs
# them under Wine, headless, in a fresh Wine prefix inside the build folder:
#   - every core test program;
#   - the codec table of the Windows build against the Linux build's;
#   - quillmere-cli.exe on the real samples (../shared/samples, when present)
#     against the Linux quillmere-cli: list, map, show, export and convert,
#     output and written files byte for byte, also from a Japanese folder name
#     and with a path that starts with "/".
# Ends with one line: how many checks passed and failed.
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh g++-mingw-w64-x86-64-posix wine wine64 googletest libz-mingw-w64-dev || exit 1

build=build-windows
reference=$build/linux-reference  # the Linux programs the Windows ones must match
smoke=$build/smoke
log=$build/test-windows.log

step() { echo "test-windows: $*"; }

step "building for Windows"
cmake --preset windows >/dev/null || exit 1
cmake --build --preset windows --target all quillmere_codec_table || exit 1
step "building the Linux programs to compare with"
cmake -S . -B "$reference" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUILLMERE_GUI=OFF -DQUILLMERE_TESTS=OFF -DQUILLMERE_BENCH=OFF >/dev/null || exit 1
cmake --build "$reference" -j2 --target quillmere-cli quillmere_codec_table || exit 1

# A fresh prefix, no display, no offers to install Mono or Gecko, no debug chatter.
export WINEPREFIX="$PWD/$build/wine-prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
rm -rf "$WINEPREFIX"
step "creating a Wine prefix"
timeout 300 wine wineboot --init >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null' EXIT

passed=0
failed=0
skipped=0
failures=()
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); failures+=("$1"); echo "FAILED: $1"; }

# --- The core test programs ------------------------------------------------
: >"$log"
for program in "$build"/tests/*_tests.exe; do
  name=$(basename "$program")
  step "running $name"
  output=$(timeout 900 wine "$program" --gtest_color=no 2>&1 | tr -d '\r')
  status=$?
  printf '%s\n' "$output" >>"$log"
  ran_passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' <<<"$output")
  ran_failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\{0,1\}, listed below:.*/\1/p' <<<"$output")
  ran_skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}, listed below:.*/\1/p' <<<"$output")
  if [ -z "$ran_passed" ]; then
    fail "$name ended with status $status before its summary (see $log)"
    continue
  fi
  passed=$((passed + ran_passed))
  skipped=$((skipped + ${ran_skipped:-0}))
  if [ -n "$ran_failed" ]; then
    failed=$((failed + ran_failed))
    while read -r test; do failures+=("$name: $test"); done \
      < <(sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_./]*\) (.*/\1/p' <<<"$output")
  elif [ "$status" -ne 0 ]; then
    fail "$name exited with status $status"
  fi
  grep -h '^\[  SKIPPED \] [A-Za-z]' <<<"$output" | sed 's/ ([0-9]* ms)$//' | sort -u | sed 's/^/  /'
done

# --- The codec table ---------------------------------------------------------
step "comparing the codec tables"
"$reference/quillmere_codec_table" >"$build/codec-linux.txt"
timeout 300 wine "$build/quillmere_codec_table.exe" | tr -d '\r' >"$build/codec-windows.txt"
if [ -s "$build/codec-linux.txt" ] && cmp -s "$build/codec-linux.txt" "$build/codec-windows.txt"; then
  pass
else
  fail "codec table: the Windows build decodes or encodes differently (diff $build/codec-linux.txt $build/codec-windows.txt)"
fi

# --- quillmere-cli.exe on the real samples ------------------------------------
samples=../shared/samples
linux_cli=$PWD/$reference/quillmere-cli
windows_cli=$PWD/$build/quillmere-cli.exe

# Runs the same command in <side>/<case> on both systems and compares status,
# stdout and stderr. Paths are given relative to the case folder, so the
# outputs can be equal byte for byte. With --paths, a written path's "\"
# counts as "/".
compare() {
  local label=$1 case=$2 paths=no
  shift 2
  if [ "$1" = --paths ]; then paths=yes; shift; fi
  local out=$PWD/$smoke/out
  (cd "$smoke/linux/$case" && "$linux_cli" "$@" >"$out.linux" 2>"$out.linux.err"; echo "status $?" >>"$out.linux.err")
  (cd "$smoke/windows/$case" && timeout 120 wine "$windows_cli" "$@" >"$out.windows" 2>"$out.windows.err"
   echo "status $?" >>"$out.windows.err")
  if [ "$paths" = yes ]; then sed -i 's#\\#/#g' "$out.windows"; fi
  if cmp -s "$out.linux" "$out.windows" && cmp -s "$out.linux.err" "$out.windows.err"; then
    pass
  else
    fail "quillmere-cli.exe $label: differs from Linux"
    diff <(cat "$out.linux" "$out.linux.err") <(cat "$out.windows" "$out.windows.err") | head -10
  fi
}

if [ -d "$samples" ]; then
  step "running quillmere-cli.exe on the samples"
  rm -rf "$smoke"
  for side in linux windows; do
    mkdir -p "$smoke/$side"
    cp -r "$samples"/*/ "$smoke/$side/"
    mkdir -p "$smoke/$side/セーブ"
    cp "$samples"/saroo-two-games/SS_SAVE.BIN "$smoke/$side/セーブ/"
  done
  chmod -R u+w "$smoke"  # the shared folder may be read-only; the copies are written into
  for container in "$samples"/*/*.BIN; do
    case=$(basename "$(dirname "$container")")
    file=$(basename "$container")
    compare "list $case/$file" "$case" list "$file"
    compare "list --json $case/$file" "$case" list "$file" --json --pane 2
    compare "map --json $case/$file" "$case" map "$file" --json
    compare "export --all $case/$file" "$case" --paths export "$file" --all --out "exported-$file"
    for single in "$smoke/linux/$case/exported-$file"/*; do
      [ -e "$single" ] || continue
      name=exported-$file/$(basename "$single")
      compare "show $case/$name" "$case" show "$name" --json
      compare "convert $case/$name" "$case" --paths convert "$name" --out ssf
    done
  done
  for single in "$samples"/sro-collection/*; do
    name=$(basename "$single")
    compare "show sro-collection/$name" sro-collection show "$name" --json
    compare "convert --to sro sro-collection/$name" sro-collection --paths convert "$name" --to sro --out sro
  done
  compare "list in a Japanese folder" . list セーブ/SS_SAVE.BIN
  compare "list --json in a Japanese folder" . list セーブ/SS_SAVE.BIN --json
  compare "a missing file" . list セーブ/SS_MEMS.BIN
  # A path that starts with "/" is a path, not a Windows-style option (Wine's
  # drive Z: is the Linux root, so the same text names the same file).
  compare "a path that starts with /" . list "$(cd "$samples" && pwd -P)/saroo-two-games/SS_SAVE.BIN"
  if diff -r "$smoke/linux" "$smoke/windows" >"$smoke/files.diff"; then
    pass
  else
    fail "the files quillmere-cli.exe wrote differ from Linux (see $smoke/files.diff)"
  fi
else
  skipped=$((skipped + 1))
  echo "  skipped the quillmere-cli.exe checks: the real samples ($samples) are absent"
fi

wineserver -k 2>/dev/null
trap - EXIT

if [ "$failed" -gt 0 ]; then
  echo "failed checks:"
  printf '  %s\n' "${failures[@]}"
fi
[ "$skipped" -gt 0 ] && echo "($skipped skipped, listed above)"
echo "Windows build under Wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
