# Day-to-day commands. ./run.sh and ./test.sh install what is missing, then call these.
FUZZ_SECONDS ?= 60

.PHONY: all build run test test-windows test-windows-window package package-check package-windows bench fuzz clean

all: build

build:
	cmake --preset default
	cmake --build --preset default

# The window starts on build/demo, made with demo saves when it is missing.
# The build folder is the program's folder: SAROO and SSF go there.
run: build
	./build/quillmere-demo build/demo
	cd build && ./quillmere demo

test:
	scripts/check_tools.sh
	cmake --preset test
	cmake --build --preset test
	ctest --preset test

# The core, quillmere-cli and the core tests built for Windows (MinGW-w64)
# and run under Wine; installs the cross compiler and Wine when missing.
test-windows:
	scripts/test_windows.sh

# build/quillmere_VERSION_ARCH.deb: both programs, the menu entry, the icons,
# the AppStream metadata and the manual page.
package: build
	cd build && cpack

# The package users get, checked: the release build packed as make package
# packs it (into build/package-check), its files, dependencies and metadata,
# and lintian. The test build cannot stand in: it links the sanitizers.
package-check: build
	tests/package_check.sh $(CURDIR) $(CURDIR)/build

# build-windows-window/quillmere-VERSION-windows-x64.zip: quillmere.exe,
# quillmere-cli.exe, README.md and its pictures, the licence and the notices of the libraries
# inside the programs. The static Qt for Windows comes from
# scripts/build_qt_windows.sh (a cache in ~/.cache/quillmere, made once).
package-windows:
	scripts/setup.sh g++-mingw-w64-x86-64-posix googletest libz-mingw-w64-dev \
	  qt6-base-dev-tools qt6-translations-l10n mingw-w64-common
	scripts/build_qt_windows.sh >/dev/null
	cmake --preset windows-window
	cmake --build --preset windows-window --target quillmere quillmere-cli
	cd build-windows-window && cpack

# The window built for Windows: its tests and the packed program under Wine.
test-windows-window:
	scripts/test_windows_window.sh

# The versions the benchmarks' writes keep go to a folder of their own,
# never the user's history; they are measured with history on, as users run.
bench: build
	rm -rf build/bench-history
	QUILLMERE_HISTORY=$(CURDIR)/build/bench-history ./build/bench/quillmere_bench

fuzz:
	scripts/setup.sh clang libclang-rt-dev
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/fuzz.sh build-fuzz/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build build-test build-fuzz build-windows build-windows-window
