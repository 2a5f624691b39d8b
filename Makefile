# The two set-up commands: `make play` and `make test`. CMake does the real work.
WERROR ?= OFF

.PHONY: play test build asan fuzz bench measure clean lint web web-test

build:
	cmake --preset default -DNUMERION_WERROR=$(WERROR)
	cmake --build --preset default

play: build
	./build/numerion

test: build
	ctest --preset default

asan:
	cmake --preset asan -DNUMERION_WERROR=$(WERROR)
	cmake --build --preset asan
	ctest --preset asan

fuzz:
	cmake --preset fuzz -DNUMERION_WERROR=$(WERROR)
	cmake --build --preset fuzz

bench: build
	./build/bench/numerion_bench

# The real program in a pseudo-terminal: bytes per frame, CPU while waiting for a key, tick
# pace, start-up, memory, castle generation and the test suite's time, each against its budget.
# About three minutes; on a quiet machine, as the figures are timings.
measure: build
	./build/bench/numerion_measure

# The browser page: build-web/numerion.html, one self-contained file (Debian's emscripten).
web:
	cmake --preset web -DNUMERION_WERROR=$(WERROR)
	cmake --build --preset web

# The page in headless chromium, opened from disk and played over the DevTools protocol.
web-test: web
	/usr/bin/python3 tests/web/web_e2e.py build-web/numerion.html

clean:
	rm -rf build build-asan build-fuzz build-web

# clang-tidy over the sources, with the flags of the default build (the browser and Windows
# backends are emscripten's and mingw's, outside that build; GCC's own warning options are
# unknown to clang). Any finding fails.
lint: build
	find src -name '*.cpp' -not -path 'src/console/web/*' -not -path 'src/console/wincon/*' | \
	  xargs -P2 -n4 clang-tidy -p build --quiet --extra-arg=-Wno-unknown-warning-option
