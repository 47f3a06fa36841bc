#!/usr/bin/env bash
# Installs what building and testing Quillmere needs on Debian or Ubuntu.
# Installs only what is missing, so a second run does nothing.
# Extra package names may be given as arguments (make fuzz adds clang).
set -euo pipefail

packages=(
  make g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev zlib1g-dev
  fonts-noto-cjk qt6-translations-l10n
  dpkg-dev desktop-file-utils appstream file lintian
  "$@"
)

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
  echo "setup: not a Debian or Ubuntu system; install these yourself: ${packages[*]}" >&2
  exit 0
fi

missing=()
for package in "${packages[@]}"; do
  if [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" != "installed" ]; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
