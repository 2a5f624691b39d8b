# The two set-up commands: `make play` and `make test`. CMake does the real work.
WERROR ?= OFF

.PHONY: play test build asan fuzz bench measure clean lint windows windows-test

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

# The Windows console program, cross-built with mingw-w64: build-windows/numerion.exe, x86_64,
# statically linked (nothing but system DLLs beside it).
windows:
	cmake --preset windows -DNUMERION_WERROR=$(WERROR)
	cmake --build --preset windows --target numerion

# Its unit tests and end-to-end flows under wine (wine's console on a private Xvfb display).
windows-test:
	cmake --preset windows -DNUMERION_WERROR=$(WERROR)
	cmake --build --preset windows
	ctest --preset windows

bench: build
	./build/bench/numerion_bench

# The real program in a pseudo-terminal: bytes per frame, CPU while waiting for a key, tick
# pace, start-up, memory, castle generation and the test suite's time, each against its budget.
# About three minutes; on a quiet machine, as the figures are timings.
measure: build
	./build/bench/numerion_measure

clean:
	rm -rf build build-asan build-fuzz build-windows build-windows-i686

# clang-tidy over the sources, with the flags of the default build.
lint: build
	find src -name '*.cpp' | xargs -P2 -n4 clang-tidy -p build --quiet
