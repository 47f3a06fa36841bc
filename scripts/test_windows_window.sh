#!/usr/bin/env bash
# Builds the window for Windows with the static Qt of scripts/build_qt_windows.sh,
# packs the zip, and runs under Wine, headless, in a fresh Wine prefix:
#   - every test of the window, on Qt's offscreen platform, with the host's
#     Noto CJK fonts (offscreen Qt on Windows finds fonts only in QT_QPA_FONTDIR);
#   - quillmere.exe unpacked alone from the zip into a folder with a Chinese
#     and a Japanese name, on Windows' own platform under Xvfb, beside an
#     SS_MEMS.BIN holding the real sample saves, in Chinese and in English:
#     it must list the saves, keep the lists' row height and show no
#     horizontal scroll bar; its screenshots are left in build-windows-window/smoke.
# Ends with one line: how many checks passed and failed.
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh g++-mingw-w64-x86-64-posix wine wine64 googletest libz-mingw-w64-dev \
  xvfb xauth unzip qt6-base-dev-tools mingw-w64-common || exit 1

# One Xvfb for the whole run, even for the offscreen tests: Qt's Windows event
# loop needs a message window, and Wine makes windows only with a display.
if [ -z "${QUILLMERE_UNDER_XVFB:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "test-windows-window: no xvfb-run (xvfb)"; exit 1; }
  QUILLMERE_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1600x1200x24" "$0" "$@"
fi

build=build-windows-window
smoke=$build/smoke
log=$build/test-windows-window.log
samples=../shared/samples

step() { echo "test-windows-window: $*"; }

step "making the Qt for Windows"
scripts/build_qt_windows.sh >/dev/null || exit 1
step "building the window for Windows"
cmake --preset windows-window >/dev/null || exit 1
# The core tests are make test-windows's; here only the window's, and what the zip and the smoke run use.
window_tests=$(for test in tests/gui/*_test.cpp; do basename "$test" .cpp; done)
cmake --build --preset windows-window --target quillmere quillmere-cli quillmere-demo $window_tests || exit 1
(cd "$build" && cpack >/dev/null) || exit 1
zip=$(ls "$build"/quillmere-*-windows-x64.zip | head -n 1)

export WINEPREFIX="$PWD/$build/wine-prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY
rm -rf "$WINEPREFIX"
step "creating a Wine prefix"
timeout 300 wine wineboot --init >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null' EXIT

passed=0
failed=0
failures=()
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); failures+=("$1"); echo "FAILED: $1"; }

# --- The window's tests, offscreen -----------------------------------------------
fonts=$(dirname "$(find /usr/share/fonts -name 'NotoSansCJK-Regular.ttc' -print -quit)")
if [ "$fonts" = . ]; then
  fail "no Noto CJK fonts under /usr/share/fonts (fonts-noto-cjk)"
fi
: >"$log"
for program in "$build"/tests/*_test.exe; do
  name=$(basename "$program")
  step "running $name"
  # Qt Test's output under Wine reaches a file, not a pipe.
  result=$PWD/$build/tests/${name%.exe}.txt
  rm -f "$result"
  # Wine hands no QT_* variable of the host to a program: they are set inside.
  (cd "$build" && QUILLMERE_SCREENSHOT_DIR="$PWD/screenshots" timeout 600 wine cmd /c \
     "set QT_QPA_PLATFORM=offscreen&& set QT_QPA_FONTDIR=$(winepath -w "$fonts")&& tests\\$name -o $(winepath -w "$result"),txt" \
     >/dev/null 2>&1)
  status=$?
  output=$(tr -d '\r' <"$result" 2>/dev/null)
  printf '%s\n' "$output" >>"$log"
  totals=$(grep '^Totals:' <<<"$output")
  ran_passed=$(sed -n 's/^Totals: \([0-9]*\) passed.*/\1/p' <<<"$totals")
  ran_failed=$(sed -n 's/^Totals: [0-9]* passed, \([0-9]*\) failed.*/\1/p' <<<"$totals")
  if [ -z "$ran_passed" ]; then
    fail "$name ended with status $status before its totals (see $log)"
    continue
  fi
  passed=$((passed + ran_passed))
  failed=$((failed + ran_failed))
  while read -r test; do [ -n "$test" ] && failures+=("$name: $test"); done \
    < <(sed -n 's/^FAIL!  : \([A-Za-z0-9_:()]*\).*/\1/p' <<<"$output")
  if [ "$ran_failed" -eq 0 ] && [ "$status" -ne 0 ]; then fail "$name exited with status $status"; fi
  grep '^SKIP' <<<"$output" | sed 's/^/  /'
done

# --- quillmere.exe from the zip, on Windows' own platform --------------------------
step "running quillmere.exe from $(basename "$zip") under Xvfb"
rm -rf "$smoke"
folder="$smoke/存档 セーブ"
mkdir -p "$folder"
unzip -q -j "$zip" '*/quillmere.exe' -d "$folder"
if [ -d "$samples" ]; then
  # Pane 1: the real single saves imported into an empty SS_MEMS.BIN; pane 2
  # (OTHER): the saves of a real SS_SAVE.BIN, transferred into another.
  real=$(cd "$samples" && pwd -P)
  (cd "$build" && wine quillmere-demo.exe smoke-demo >/dev/null 2>&1)
  mkdir -p "$folder/OTHER"
  cp "$build/smoke-demo/OTHER/SS_MEMS.BIN" "$folder/SS_MEMS.BIN"
  cp "$build/smoke-demo/OTHER/SS_MEMS.BIN" "$folder/OTHER/SS_MEMS.BIN"
  rm -rf "$build/smoke-demo"
  (cd "$folder" && wine ../../quillmere-cli.exe import SS_MEMS.BIN "$real"/sro-collection/*.SRO >/dev/null 2>&1
   wine ../../quillmere-cli.exe transfer "$real/saroo-two-games/SS_SAVE.BIN" OTHER/SS_MEMS.BIN --all >/dev/null 2>&1)
  rows=2
else
  echo "  the real samples ($samples) are absent: the window opens empty images"
  rows=0
fi
# Each language at 96 DPI, then Chinese at 150% (Windows' 144 DPI).
for run in zh-96 en-96 zh-144; do
  language=${run%-*}
  dpi=${run#*-}
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null  # the next start reads the DPI afresh
  shot=$PWD/$smoke/quillmere-$run.png
  report=$smoke/quillmere-$run.txt
  QUILLMERE_SCREENSHOT="$(winepath -w "$shot" 2>/dev/null)" timeout 300 \
    wine "$folder/quillmere.exe" --language "$language" 2>/dev/null | tr -d '\r' >"$report"
  sed 's/^/  /' "$report"
  if [ -s "$shot" ] && grep -q '^screenshot saved' "$report"; then pass; else fail "quillmere.exe --language $language at $dpi DPI: no screenshot"; fi
  # The lists keep the Linux build's 17-pixel rows.
  for pane in 1 2; do
    if grep -q "^list pane${pane}List: rows $rows, row height 17," "$report"; then
      pass
    else
      fail "quillmere.exe --language $language at $dpi DPI: pane $pane does not list its $rows saves in rows 17 pixels high"
    fi
  done
  if grep '^list ' "$report" | grep -q 'horizontal scroll bar shown'; then
    fail "quillmere.exe --language $language at $dpi DPI: a list shows a horizontal scroll bar"
  elif grep -q '^list ' "$report"; then
    pass
  else
    fail "quillmere.exe --language $language at $dpi DPI: listed no lists"
  fi
done

wineserver -k 2>/dev/null
trap - EXIT

if [ "$failed" -gt 0 ]; then
  echo "failed checks:"
  printf '  %s\n' "${failures[@]}"
fi
echo "The window for Windows under Wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
