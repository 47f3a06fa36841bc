#!/usr/bin/env bash
# Makes a static Qt 6 for 64-bit Windows (MinGW-w64), of the host Qt's version,
# whose moc, rcc and uic the cross build borrows. Prints its install prefix
# (the folder holding lib/cmake/Qt6) on the last line of stdout.
#
#   scripts/build_qt_windows.sh [--dry-run] [--from-source] [--quick]
#
# The Qt goes into $QUILLMERE_QT_WINDOWS, or ~/.cache/quillmere/qt6-windows-VERSION,
# outside every build tree, and is reused once there. To make it, the script
# unpacks ../shared/toolchains/qt6-windows-VERSION-static.tar.xz when there is
# one; otherwise it fetches Debian's qt6-base source of the host's version and
# builds it (about half an hour on two cores). --dry-run says which it would
# do and prints the commands, changing nothing. --quick succeeds, changing
# nothing, only when the Qt is there or can be unpacked (no half-hour build).
# --from-source builds even when there is a prebuilt copy.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

dry_run=no
quick=no
from_source=no
for option in "$@"; do
  case "$option" in
    --dry-run) dry_run=yes ;;
    --quick) quick=yes ;;
    --from-source) from_source=yes ;;
    *) echo "usage: $0 [--dry-run] [--from-source] [--quick]" >&2; exit 2 ;;
  esac
done

say() { echo "build_qt_windows: $*" >&2; }
run() {
  if [ "$dry_run" = yes ]; then printf '  %q' "$@" >&2; echo >&2; else "$@"; fi
}

qtpaths=$(command -v qtpaths6 || echo /usr/lib/qt6/bin/qtpaths6)
version=$("$qtpaths" --qt-query QT_VERSION 2>/dev/null) || {
  say "no host Qt 6 (qtpaths6); run scripts/setup.sh first"
  exit 1
}
cache=${QUILLMERE_QT_WINDOWS:-$HOME/.cache/quillmere/qt6-windows-$version}
prefix=$cache/prefix

if [ -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  echo "$prefix"
  exit 0
fi

# The cache appears whole or not at all: it is made beside itself and renamed.
shared=$repo/../shared/toolchains/qt6-windows-$version-static.tar.xz
if [ "$quick" = yes ]; then
  [ -f "$shared" ]
  exit
fi
mkdir -p "$(dirname "$cache")"
work=$cache.partial

if [ -f "$shared" ] && [ "$from_source" = no ]; then
  say "unpacking the prebuilt Qt $version for Windows into $cache"
  run rm -rf "$work"
  run mkdir -p "$work"
  run tar -xJf "$shared" -C "$work"
else
  [ "$from_source" = yes ] || say "no prebuilt Qt $version for Windows ($shared)"
  say "building Qt $version for Windows from Debian's source, into $cache (half an hour on two cores)"
  scripts/setup.sh dpkg-dev g++-mingw-w64-x86-64-posix qt6-base-dev-tools libgl-dev >&2
  # The exact Debian version of the host's Qt, and a deb-src line of its own
  # in a private apt state, so the system's sources lists are left alone.
  debian_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  apt_state=$work/apt
  apt_options=(-o "Dir::Etc::SourceList=$apt_state/sources.list" -o "Dir::Etc::SourceParts=$apt_state/none"
               -o "Dir::State::Lists=$apt_state/lists" -o "Dir::Cache=$apt_state/cache"
               -o "Debug::NoLocking=1")
  run rm -rf "$work"
  run mkdir -p "$apt_state/none" "$apt_state/lists/partial" "$apt_state/cache/archives/partial" "$work/source"
  line="deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $codename main"
  if [ "$dry_run" = yes ]; then say "  echo '$line' > $apt_state/sources.list"; else echo "$line" >"$apt_state/sources.list"; fi
  run apt-get "${apt_options[@]}" update
  (cd "$work/source" 2>/dev/null || cd /tmp
   run apt-get "${apt_options[@]}" source --download-only "qt6-base=$debian_version")
  run dpkg-source --no-check -x "$work/source/qt6-base_${debian_version#*:}.dsc" "$work/source/qtbase"
  # Tablet events off: Debian's source drops wintab.h, which the windows
  # platform plugin includes for them. OpenGL on: without it the plugin does
  # not compile in 6.4 (QOpenGLStaticContext).
  run cmake -G Ninja -S "$work/source/qtbase" -B "$work/build" \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$work/prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_testlib=ON \
    -DFEATURE_tabletevent=OFF -DFEATURE_opengl=ON -DINPUT_opengl=desktop
  run cmake --build "$work/build" --parallel 2
  run cmake --install "$work/build"
  # Only the installed Qt is kept; the source and the objects are 2 GB.
  run rm -rf "$work/source" "$work/build"
fi

if [ "$dry_run" = yes ]; then
  say "then: mv $work $cache"
  exit 0
fi
if [ ! -f "$work/prefix/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  say "no Qt in $work/prefix after all; leaving it there to look at"
  exit 1
fi
rm -rf "$cache"
mv "$work" "$cache"
say "Qt $version for Windows is in $prefix"
echo "$prefix"
