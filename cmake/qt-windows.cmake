# The window for Windows: the static Qt 6 that scripts/build_qt_windows.sh
# makes, over the MinGW-w64 toolchain. The Qt is looked for where that script
# puts it: $QUILLMERE_QT_WINDOWS, else ~/.cache/quillmere/qt6-windows-VERSION
# with the host Qt's version, since the cross build runs the host's moc and rcc.
if(DEFINED ENV{QUILLMERE_QT_WINDOWS} AND NOT "$ENV{QUILLMERE_QT_WINDOWS}" STREQUAL "")
  set(quillmere_qt_windows "$ENV{QUILLMERE_QT_WINDOWS}")
else()
  find_program(quillmere_qtpaths NAMES qtpaths6 PATHS /usr/lib/qt6/bin NO_CACHE)
  if(quillmere_qtpaths)
    execute_process(COMMAND ${quillmere_qtpaths} --qt-query QT_VERSION
                    OUTPUT_VARIABLE quillmere_host_qt OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
  set(quillmere_qt_windows "$ENV{HOME}/.cache/quillmere/qt6-windows-${quillmere_host_qt}")
endif()
set(quillmere_qt_toolchain "${quillmere_qt_windows}/prefix/lib/cmake/Qt6/qt.toolchain.cmake")
if(NOT EXISTS "${quillmere_qt_toolchain}")
  message(FATAL_ERROR "No Qt for Windows in ${quillmere_qt_windows}: run scripts/build_qt_windows.sh")
endif()

set(QT_CHAINLOAD_TOOLCHAIN_FILE "${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")
if(NOT DEFINED QT_HOST_PATH)
  set(QT_HOST_PATH /usr CACHE PATH "The build machine's Qt, whose moc, rcc and uic the build runs")
endif()
if(NOT DEFINED QT_HOST_PATH_CMAKE_DIR)
  # Debian keeps the host Qt's CMake files under its multiarch folder.
  file(GLOB quillmere_host_qt_cmake LIST_DIRECTORIES true /usr/lib/cmake/Qt6 /usr/lib/*/cmake/Qt6)
  list(GET quillmere_host_qt_cmake 0 quillmere_host_qt_cmake)
  cmake_path(GET quillmere_host_qt_cmake PARENT_PATH quillmere_host_qt_cmake)
  set(QT_HOST_PATH_CMAKE_DIR "${quillmere_host_qt_cmake}" CACHE PATH "The build machine's Qt CMake files")
endif()
include("${quillmere_qt_toolchain}")
