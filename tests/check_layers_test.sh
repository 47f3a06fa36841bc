#!/usr/bin/env bash
# The layer check on small trees of one include each: what it must refuse and
# what it must let through. Usage: check_layers_test.sh CHECK_SCRIPT
set -uo pipefail

check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

failures=0
# expect PASS|FAIL FILE INCLUDE-LINE
expect() {
  local want=$1 file=$2 include=$3
  rm -rf "$tree/src"
  mkdir -p "$tree/src"/{platform,model,containers,singlesave,operations,catalog,ui,cli}
  touch "$tree/src/operations/pane.h" "$tree/src/model/save_record.h" "$tree/src/ui/pane_view.h" \
    "$tree/src/cli/cli_commands.h" "$tree/src/catalog/catalog.h"
  mkdir -p "$tree/src/$(dirname "$file")"
  printf '%s\n' "$include" >"$tree/src/$file"
  local got=PASS
  "$check" "$tree/src" >/dev/null 2>&1 || got=FAIL
  if [[ "$got" != "$want" ]]; then
    echo "expected $want, got $got: src/$file with: $include" >&2
    failures=$((failures + 1))
  fi
}

expect FAIL model/byte_buffer.cpp '#include "operations/pane.h"'
expect FAIL model/byte_buffer.cpp '  #  include "../operations/pane.h"'
expect FAIL containers/mems_image.h '#include "catalog/catalog.h"'
expect FAIL operations/pane.cpp '#include "ui/pane_view.h"'
expect FAIL catalog/catalog.cpp '#include "cli/cli_commands.h"'
expect FAIL ui/main_window.cpp '#include "cli/cli_commands.h"'
expect FAIL cli/cli.cpp '#include "ui/pane_view.h"'
expect FAIL singlesave/sro_file.cpp '#include <QString>'
expect FAIL catalog/catalog.cpp '#include <QtCore/QString>'
expect FAIL tools/helper.cpp '#include "model/save_record.h"'
expect PASS operations/pane.cpp '#include "model/save_record.h"'
expect PASS operations/pane.cpp '#include "pane.h"'
expect PASS catalog/catalog.cpp '#include "operations/pane.h"'
expect PASS ui/main_window.cpp '#include "catalog/catalog.h"'
expect PASS cli/cli.cpp '#include "../catalog/catalog.h"'
expect PASS ui/main_window.cpp '#include <QWidget>'
expect PASS platform/file_io.cpp '#include <filesystem>'

if ((failures > 0)); then
  echo "check_layers_test: $failures case(s) wrong" >&2
  exit 1
fi
echo "check_layers_test: every case as expected"
