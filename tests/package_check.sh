#!/usr/bin/env bash
# Packs the build folder's programs as make package does and checks the
# package: its name, version and dependencies (no sanitizer runtime: the
# package users get is a release build), that it holds the programs, the
# menu entry, the icons, the AppStream metadata, the manual pages and the
# licence, that the desktop entry and the metadata pass their validators,
# and that lintian finds no error. make package-check runs it on the release
# build. On Debian every tool it calls is required (scripts/check_tools.sh
# names the missing ones); elsewhere it validates what it can and skips
# (status 77).
#   package_check.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=$1 build=$2
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[ -n "$version" ] || { echo "FAILED: $build/CPackConfig.cmake names no version: is $build a configured build folder?"; exit 1; }
app_id=org.quillmere.Quillmere
failed=0
fail() { echo "FAILED: $*"; failed=1; }

if command -v dpkg-query >/dev/null; then
  "$source_dir/scripts/check_tools.sh" || exit 1
fi

validate() {  # desktop-file metainfo-file
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$1" || fail "desktop-file-validate $1"
  else
    echo "skipped desktop-file-validate: it is absent (package desktop-file-utils)"
  fi
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$2" || fail "appstreamcli validate $2"
  else
    echo "skipped appstreamcli validate: it is absent (package appstream)"
  fi
}

if ! command -v dpkg-deb >/dev/null; then
  validate "$source_dir/data/$app_id.desktop" "$build/$app_id.metainfo.xml"
  echo "skipped the package check: dpkg-deb is absent"
  [ "$failed" -eq 0 ] && exit 77 || exit 1
fi

out=$build/package-check
rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out.log" 2>&1 || { cat "$out.log"; exit 1; }
deb=$out/quillmere_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { ls "$out"; fail "no $deb"; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quillmere ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
depends=$(field Depends)
# A test build links the sanitizers' runtimes; users get the release build.
sanitizers=$(grep -Eo '(^|, )lib(a|ub|t|l)san[0-9]*' <<<"$depends" | sed 's/^, //' | paste -sd ' ')
if [ -n "$sanitizers" ]; then
  fail "Depends names a sanitizer runtime ($sanitizers): $build is a sanitizer build, not the release package (make package-check)"
  exit 1
fi
for library in libqt6widgets6 libqt6gui6 libqt6core6 libc6 zlib1g; do
  grep -Eq "(^|, )$library(t64)?( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in \
  ./usr/bin/quillmere ./usr/bin/quillmere-cli \
  ./usr/share/applications/$app_id.desktop \
  ./usr/share/icons/hicolor/scalable/apps/quillmere.svg \
  ./usr/share/icons/hicolor/48x48/apps/quillmere.png \
  ./usr/share/icons/hicolor/128x128/apps/quillmere.png \
  ./usr/share/icons/hicolor/256x256/apps/quillmere.png \
  ./usr/share/metainfo/$app_id.metainfo.xml \
  ./usr/share/man/man1/quillmere-cli.1.gz ./usr/share/man/man1/quillmere.1.gz \
  ./usr/share/doc/quillmere/copyright ./usr/share/doc/quillmere/README.md; do
  grep -qxF "$file" <<<"$contents" || fail "the package lacks $file"
done

root=$out/root
dpkg-deb -x "$deb" "$root"
validate "$root/usr/share/applications/$app_id.desktop" "$root/usr/share/metainfo/$app_id.metainfo.xml"
grep -q '^Exec=quillmere %f$' "$root/usr/share/applications/$app_id.desktop" || fail "the menu entry does not start quillmere %f"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" || fail "the metadata names another release"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "the metadata names another licence"
for size in 48 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/quillmere.png
  # The width and height in the PNG header, big-endian at bytes 16 and 20.
  [ "$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4, $7*256+$8}')" = "$size $size" ] ||
    fail "the ${size}x$size icon is another size"
done
# The installed README's links lead to files the package holds.
doc=$root/usr/share/doc/quillmere
for link in $(grep -o '](\([^)#]*\))' "$doc/README.md" | sed 's/^](\(.*\))$/\1/' | sort -u); do
  [[ $link == *://* ]] || [ -f "$doc/$link" ] || fail "the installed README links $link, which the package lacks"
done
gzip -dc "$root/usr/share/man/man1/quillmere-cli.1.gz" | grep -q "^\.TH QUILLMERE-CLI 1 .*Quillmere $version" ||
  fail "the manual page is not a manual for this version"

# Debian's own checks: an error fails the package; warnings are shown.
lintian --allow-root --tag-display-limit 0 "$deb" >"$out/lintian.log" 2>&1
cat "$out/lintian.log"
grep -q '^E: ' "$out/lintian.log" && fail "lintian reports errors"

[ "$failed" -eq 0 ] && echo "package check: $deb is complete"
exit "$failed"
