# The two set-up commands: `make play` and `make test`. Each first installs the Debian
# packages it needs (tools/deps.sh); CMake does the real work.
WERROR ?= OFF
PREFIX ?= /usr/local
# Tests run this many at once (the builds use Ninja's own count, from the machine's too).
JOBS ?= $(shell nproc)
DEPS := bash tools/deps.sh
CONFIGURE = cmake --preset default -DNUMERION_WERROR=$(WERROR)

.PHONY: play game test build install deb asan fuzz bench measure clean lint web web-test windows windows-test

build:
	$(CONFIGURE)
	cmake --build --preset default

# The game alone: no tests, no benchmarks, none of their libraries.
game:
	$(DEPS) play
	$(CONFIGURE)
	cmake --build --preset default --target numerion

play: game
	./build/numerion

test:
	$(DEPS) test
	$(CONFIGURE)
	cmake --build --preset default
	ctest --preset default -j $(JOBS)

# PREFIX/games/numerion, the manual page, the README; DESTDIR=/tmp/x stages it elsewhere.
install: game
	DESTDIR="$(DESTDIR)" cmake --install build --prefix "$(PREFIX)"

# build/numerion_<version>_<arch>.deb
deb:
	$(DEPS) deb
	$(CONFIGURE)
	cmake --build --preset default --target numerion
	cd build && cpack -G DEB

# The tests again under GCC's AddressSanitizer and UndefinedBehaviorSanitizer.
asan:
	$(DEPS) test
	cmake --preset asan -DNUMERION_WERROR=$(WERROR)
	cmake --build --preset asan
	ctest --preset asan -j $(JOBS)

# The libFuzzer targets, with clang: build-fuzz/fuzz/fuzz_*.
fuzz:
	$(DEPS) fuzz
	cmake --preset fuzz -DNUMERION_WERROR=$(WERROR)
	cmake --build --preset fuzz

# The Windows console program, cross-built with mingw-w64: build-windows/numerion.exe, x86_64,
# statically linked (nothing but system DLLs beside it).
windows:
	$(DEPS) windows
	cmake --preset windows -DNUMERION_WERROR=$(WERROR)
	cmake --build --preset windows --target numerion

# Its unit tests and end-to-end flows under wine (wine's console on a private Xvfb display).
windows-test:
	$(DEPS) windows-test
	cmake --preset windows -DNUMERION_WERROR=$(WERROR)
	cmake --build --preset windows
	ctest --preset windows -j $(JOBS)

bench:
	$(DEPS) bench
	$(CONFIGURE)
	cmake --build --preset default --target numerion_bench
	./build/bench/numerion_bench

# The real program in a pseudo-terminal: bytes per frame, CPU while waiting for a key, tick
# pace, start-up, memory, castle generation and the test suite's time, each against its budget.
# About three minutes; on a quiet machine, as the figures are timings.
measure:
	$(DEPS) test
	$(CONFIGURE)
	cmake --build --preset default
	cmake --build --preset default --target numerion_measure
	./build/bench/numerion_measure

# The browser page: build-web/numerion.html, one self-contained file (Debian's emscripten).
web:
	$(DEPS) web
	cmake --preset web -DNUMERION_WERROR=$(WERROR)
	cmake --build --preset web --target numerion

# The portable unit tests built by emscripten and run under node, then the page in headless
# chromium, opened from disk and played over the DevTools protocol.
web-test: web
	$(DEPS) web-test
	cmake --build --preset web
	ctest --preset web
	/usr/bin/python3 tests/web/web_e2e.py build-web/numerion.html

clean:
	rm -rf build build-asan build-fuzz build-web build-windows build-windows-i686

# clang-tidy over the sources, with the flags of the default build (the browser and Windows
# backends are emscripten's and mingw's, outside that build; GCC's own warning options are
# unknown to clang). Any finding fails.
lint:
	$(DEPS) lint
	$(MAKE) build
	find src -name '*.cpp' -not -path 'src/console/web/*' -not -path 'src/console/wincon/*' | \
	  xargs -P2 -n4 clang-tidy -p build --quiet --extra-arg=-Wno-unknown-warning-option
