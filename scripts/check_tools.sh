#!/usr/bin/env bash
# Names every program the build and the test suite call that is not on the
# PATH, with the Debian package that brings it, before a test fails deep
# inside. On Debian the package check's tools are required too, since the
# package check then runs in full.
set -uo pipefail

# program package
tools=(
  "cmake cmake" "ctest cmake" "cpack cmake" "ninja ninja-build" "c++ g++"
  "pkg-config pkg-config" "bash bash" "awk mawk" "od coreutils" "gzip gzip"
  "realpath coreutils" "grep grep" "sed sed"
)
if command -v dpkg-query >/dev/null 2>&1; then
  tools+=(
    "dpkg-deb dpkg" "dpkg-shlibdeps dpkg-dev" "objdump binutils" "file file"
    "desktop-file-validate desktop-file-utils" "appstreamcli appstream" "lintian lintian"
  )
fi

missing=() packages=()
for entry in "${tools[@]}"; do
  read -r program package <<<"$entry"
  if ! command -v "$program" >/dev/null 2>&1; then
    missing+=("$program")
    [[ " ${packages[*]} " == *" $package "* ]] || packages+=("$package")
  fi
done

if ((${#missing[@]})); then
  echo "check_tools: missing ${missing[*]}; install them with: apt-get install ${packages[*]}" >&2
  exit 1
fi
