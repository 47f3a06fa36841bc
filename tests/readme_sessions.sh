#!/usr/bin/env bash
# Runs every command-line session a Markdown file (README.md) shows and
# compares what it prints with what the file shows, so the README cannot
# drift from the programs.
#
# A session is a ```console block. A line that starts with "$ " is a command;
# the lines after it are what it prints, stdout and stderr together as a
# terminal shows them. A line "..." stands for any number of lines, and "…"
# within a line for any text. A command
# must exit with 0 unless it ends with "# exit status N". Each session runs in
# a fresh empty folder of its own, which the output shows as /home/me/saves,
# with BIN_DIR first on PATH, QUILLMERE_LANGUAGE unset and the C locale. The
# comment <!-- session files: PATH... --> on the line before the block names
# files of SAMPLES_DIR copied into the folder first (writable); without
# SAMPLES_DIR such a session is skipped, visibly, and the run exits with 77.
# A "$ quillmere-cli" line outside a console block fails the run: it would
# never be checked.
#   readme_sessions.sh MARKDOWN BIN_DIR SAMPLES_DIR
set -uo pipefail
markdown=$1 bin_dir=$2 samples=$3
shown=/home/me/saves
export PATH="$bin_dir:$PATH" LC_ALL=C.UTF-8
unset QUILLMERE_LANGUAGE
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0 skipped=0 count=0

# Whether the actual lines match the shown ones: a line "..." matches any
# run of lines, and "…" within a line any text (a date of the moment, say).
matches() {  # shown-file actual-file
  awk '
    function like(w, g,   n, p, k, at, pos, rest) {
      if (index(w, "…") == 0) return w == g
      n = split(w, p, "…")
      if (substr(g, 1, length(p[1])) != p[1]) return 0
      pos = length(p[1]) + 1
      for (k = 2; k < n; ++k) {
        at = index(substr(g, pos), p[k])
        if (!at) return 0
        pos += at - 1 + length(p[k])
      }
      rest = substr(g, pos)
      return length(rest) >= length(p[n]) && substr(rest, length(rest) - length(p[n]) + 1) == p[n]
    }
    function fits(i, j,   k) {
      if (i > shown) return j > actual
      if (want[i] == "...") {
        for (k = j; k <= actual + 1; ++k) if (fits(i + 1, k)) return 1
        return 0
      }
      return j <= actual && like(want[i], got[j]) && fits(i + 1, j + 1)
    }
    FNR == NR { want[++shown] = $0; next }
    { got[++actual] = $0 }
    END { exit fits(1, 1) ? 0 : 1 }
  ' "$1" "$2"
}

# Runs the session of `block`, which starts at line $1 of the file; the
# rest of the arguments are the sample files it needs.
run_session() {
  local at=$1
  shift
  count=$((count + 1))
  local dir=$work/$count/saves problems=()
  mkdir -p "$dir"
  local file
  for file in "$@"; do
    if [ ! -d "$samples" ]; then
      echo "skipped the session at $markdown:$at: it needs $file from $samples, which is absent"
      skipped=$((skipped + 1))
      return
    fi
    cp "$samples/$file" "$dir/" && chmod u+w "$dir/${file##*/}" || problems+=("cannot copy $samples/$file")
  done
  local expected=$work/$count/shown actual=$work/$count/actual output=$work/$count/output
  printf '%s\n' "${block[@]}" >"$expected"
  : >"$actual"
  local line command want status
  for line in "${block[@]}"; do
    [[ $line == '$ '* ]] || continue
    command=${line#'$ '}
    want=0
    [[ $command =~ \#\ exit\ status\ ([0-9]+)[[:space:]]*$ ]] && want=${BASH_REMATCH[1]}
    printf '%s\n' "$line" >>"$actual"
    (cd "$dir" && eval "$command") >"$output" 2>&1 </dev/null
    status=$?
    awk -v dir="$dir" -v shown="$shown" '
      { while ((k = index($0, dir)) > 0) $0 = substr($0, 1, k - 1) shown substr($0, k + length(dir)); print }
    ' "$output" >>"$actual"
    [ "$status" = "$want" ] || problems+=("'$command' exited with $status, not $want")
  done
  matches "$expected" "$actual" || problems+=("what it prints differs from what $markdown shows")
  if ((${#problems[@]})); then
    failed=$((failed + 1))
    echo "FAILED: the session at $markdown:$at:"
    printf '  %s\n' "${problems[@]}"
    diff -u --label shown --label printed "$expected" "$actual"
  else
    passed=$((passed + 1))
  fi
}

number=0 inside=0 fence="" indent="" block=() files=() previous="" start=0
while IFS= read -r line || [ -n "$line" ]; do
  number=$((number + 1))
  if ((!inside)); then
    if [[ $line =~ ^[[:space:]]*\`\`\`[[:space:]]*([^[:space:]]*) ]]; then
      inside=1 fence=${BASH_REMATCH[1]} block=() start=$number files=()
      indent=${line%%'```'*}  # a block inside a list item: its lines are indented as its fence
      [[ $previous =~ ^\<\!--\ session\ files:\ (.*)\ --\>$ ]] && read -ra files <<<"${BASH_REMATCH[1]}"
    fi
  elif [[ $line =~ ^[[:space:]]*\`\`\`[[:space:]]*$ ]]; then
    inside=0
    if [ "$fence" = console ]; then
      if ((${#block[@]})) && [[ ${block[0]} == '$ '* ]]; then
        run_session "$start" "${files[@]}"
      else
        echo "FAILED: the console block at $markdown:$start does not start with a command ('\$ ')"
        failed=$((failed + 1))
      fi
    fi
  else
    block+=("${line#"$indent"}")
    if [ "$fence" != console ] && [[ $line =~ ^[[:space:]]*\$\ quillmere ]]; then
      echo "FAILED: $markdown:$number shows a session outside a console block, where nothing runs it: $line"
      failed=$((failed + 1))
    fi
  fi
  previous=$line
done <"$markdown"

echo "$markdown: sessions as shown $passed, failed $failed, skipped $skipped"
((failed)) && exit 1
((skipped)) && exit 77
exit 0
