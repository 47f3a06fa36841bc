# make package: a Debian package of both programs, with a menu entry, icons,
# AppStream metadata and a manual page. make package-windows: a zip of the
# cross-built quillmere.exe and quillmere-cli.exe with README.md and its pictures, the licence
# and the notices of the libraries linked into them.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VENDOR "Quillmere")
set(CPACK_PACKAGE_CONTACT "Quillmere developers <quillmere@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Move, convert and tidy Sega Saturn saves (SAROO, backup RAM, single saves)")
set(CPACK_PACKAGE_DESCRIPTION "Quillmere shows the saves of two Sega Saturn save files side by side and moves
saves between them: SAROO SS_MEMS.BIN images, backup RAM and single saves.
quillmere is the window, quillmere-cli the same operations on the command line.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# The pictures the README shows go beside it, at the place its links name.
file(GLOB readme_pictures CONFIGURE_DEPENDS docs/*.png)

if(WIN32)
  install(TARGETS quillmere-cli RUNTIME DESTINATION .)
  install(FILES README.md LICENSE DESTINATION .)
  install(FILES ${readme_pictures} DESTINATION docs)
  set(CPACK_GENERATOR ZIP)
  if(TARGET quillmere)
    install(TARGETS quillmere RUNTIME DESTINATION .)
    # The window carries Qt and the libraries Qt bundles, linked statically:
    # their licences go with it, in the words of the build machine's Debian
    # copyright files (the same upstream projects) and its licence texts.
    install(FILES data/third-party-notices.txt DESTINATION third-party RENAME README.txt)
    foreach(notice IN ITEMS "Qt;libqt6core6" "FreeType;libfreetype6" "libjpeg-turbo;libjpeg62-turbo"
                            "libpng;libpng16-16" "PCRE2;libpcre2-16-0" "HarfBuzz;libharfbuzz0b"
                            "zlib;zlib1g" "CLI11;libcli11-dev" "nlohmann-json;nlohmann-json3-dev"
                            "MinGW-w64-runtime;mingw-w64-common")
      list(GET notice 0 library)
      list(GET notice 1 package)
      set(copyright /usr/share/doc/${package}/copyright)
      if(NOT EXISTS ${copyright})
        message(FATAL_ERROR "${copyright} is missing: install ${package} (scripts/setup.sh) for the Windows notices")
      endif()
      install(FILES ${copyright} DESTINATION third-party RENAME ${library}.txt)
    endforeach()
    install(FILES /usr/share/common-licenses/LGPL-3 DESTINATION third-party RENAME LGPL-3.txt)
    install(FILES /usr/share/common-licenses/GPL-3 DESTINATION third-party RENAME GPL-3.txt)
    set(CPACK_PACKAGE_FILE_NAME quillmere-${PROJECT_VERSION}-windows-x64)
  else()
    set(CPACK_PACKAGE_FILE_NAME quillmere-cli-${PROJECT_VERSION}-windows-x64)
  endif()
  include(CPack)
  return()
endif()

set(app_id org.quillmere.Quillmere)
if(TARGET quillmere)
  install(TARGETS quillmere RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS quillmere-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/${app_id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/icons/quillmere.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN ITEMS 48 128 256)
  install(FILES data/icons/quillmere-${size}.png RENAME quillmere.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The release in the metadata and the manual's footer carry the project's version.
configure_file(data/${app_id}.metainfo.xml ${PROJECT_BINARY_DIR}/${app_id}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${app_id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The manual pages as Debian ships them: gzip -9n, with no name or time inside.
find_program(GZIP_PROGRAM gzip REQUIRED)
foreach(page IN ITEMS quillmere-cli quillmere)
  configure_file(docs/${page}.1 ${PROJECT_BINARY_DIR}/man/${page}.1 @ONLY)
  execute_process(COMMAND ${GZIP_PROGRAM} -9nf ${PROJECT_BINARY_DIR}/man/${page}.1 COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${PROJECT_BINARY_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES data/copyright README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmere)
install(FILES ${readme_pictures} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmere/docs)
configure_file(data/changelog.Debian ${PROJECT_BINARY_DIR}/changelog.Debian COPYONLY)
execute_process(COMMAND ${GZIP_PROGRAM} -9nf ${PROJECT_BINARY_DIR}/changelog.Debian COMMAND_ERROR_IS_FATAL ANY)
# A native package: its changelog is changelog.gz.
install(FILES ${PROJECT_BINARY_DIR}/changelog.Debian.gz RENAME changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmere)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The Qt, iconv (the C library's) and zlib packages come from the libraries
# the programs link, found by dpkg-shlibdeps; without it, Debian 12's names.
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6, libstdc++6, libgcc-s1, zlib1g, libqt6core6, libqt6gui6, libqt6widgets6, libqt6dbus6")
endif()
# The window's texts are Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
include(CPack)
