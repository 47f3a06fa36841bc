# Cross build for 64-bit Windows with Debian's MinGW-w64 g++ (POSIX threads
# variant, so std::thread and std::mutex work). Programs link statically and
# run without the toolchain's DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLMERE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILLMERE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLMERE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLMERE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLMERE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# libz.a rather than the import library of zlib1.dll, so the programs stay self-contained.
set(ZLIB_USE_STATIC_LIBS ON)

# The test programs run under Wine on this machine.
find_program(QUILLMERE_WINE NAMES wine wine64)
if(QUILLMERE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLMERE_WINE})
endif()
