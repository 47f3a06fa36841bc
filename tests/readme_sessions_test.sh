#!/usr/bin/env bash
# Holds readme_sessions.sh to what it must catch and let through: each case
# is a small Markdown file, the status the check must exit with, and why.
#   readme_sessions_test.sh PATH_OF_readme_sessions.sh
set -uo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/samples/kit"
echo "sample bytes" >"$work/samples/kit/GAME.bin"
chmod a-w "$work/samples/kit/GAME.bin"
failed=0 number=0

# case STATUS WHAT MARKDOWN
case_() {
  number=$((number + 1))
  printf '%s\n' "$3" >"$work/$number.md"
  "$check" "$work/$number.md" "$work/no-bin" "${samples:-$work/samples}" >"$work/$number.log" 2>&1
  local status=$?
  if [ "$status" != "$1" ]; then
    echo "FAILED: $2: exit status $status, not $1"
    sed 's/^/  /' "$work/$number.log"
    failed=1
  fi
}

case_ 0 "output as shown, and a block indented in a list item" '```console
$ printf "one\ttab\n"
one	tab
```
- item

  ```console
  $ echo indented
  indented
  ```'
case_ 1 "output other than shown" '```console
$ echo hello
hullo
```'
case_ 1 "output missing at the end" '```console
$ echo one
one
two
```'
case_ 0 "... stands for any lines, none too" '```console
$ printf "a\nb\nc\n"
a
...
c
$ echo d
...
d
```'
case_ 1 "... stands for lines, not for a line that differs after it" '```console
$ printf "a\nb\nc\n"
a
...
x
```'
case_ 0 "… within a line stands for any text" '```console
$ echo "saved 2026-12-11 03:15 by me"; echo "kept"
saved … by me
…
```'
case_ 1 "… within a line, the rest still as shown" '```console
$ echo "saved 2026-12-11 03:15 by me"
saved … by you
```'
case_ 1 "a command that fails where none is expected to" '```console
$ false
```'
case_ 0 "a failure that the block announces" '```console
$ sh -c "echo no >&2; exit 2"   # exit status 2
no
```'
case_ 1 "a failure other than announced" '```console
$ false   # exit status 2
```'
case_ 0 "stderr and stdout as a terminal shows them, the folder as /home/me/saves" '```console
$ pwd; echo err >&2
/home/me/saves
err
```'
case_ 0 "each session in a fresh folder" '```console
$ touch left-behind
```
```console
$ ls -A
```'
case_ 0 "sample files copied in, writable" '<!-- session files: kit/GAME.bin -->
```console
$ cat GAME.bin && ls && stat -c %A GAME.bin | cut -c3
sample bytes
GAME.bin
w
```'
samples=$work/absent case_ 77 "a session that needs samples where there are none" '<!-- session files: kit/GAME.bin -->
```console
$ cat GAME.bin
sample bytes
```'
case_ 1 "a session in a plain block, which nothing would run" '```
$ quillmere-cli list SS_MEMS.BIN
```'
case_ 0 "a plain block of syntax is not run" '```
quillmere-cli list FILE [--json]
```'
case_ 1 "a console block that starts with output" '```console
hello
$ echo hello
```'

[ "$failed" -eq 0 ] && echo "readme_sessions.sh: all $number cases as they must be"
exit "$failed"
