# Front door. `make run` and `make test` are all a newcomer needs; both install what is missing.
SHELL := /bin/bash
JOBS ?= 2

.PHONY: all deps native windows test test-native test-windows screenshot run bench fuzz clean

all: native

deps:
	@scripts/deps.sh

native: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS)

test-native: native
	@ctest --preset native

# The Windows build: cross-compiled with mingw-w64, its tests run under Wine (tests/wine/harness.sh).
windows: deps
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j $(JOBS)

test-windows: windows
	@ctest --preset windows

test: test-native test-windows

# The sample dialog as the window system shows it, one PNG per page, in build/screenshots.
screenshot: windows
	@mkdir -p build/screenshots
	@tests/wine/harness.sh --build build/windows -- build/windows/tests/framework/framework-screenshot.exe \
	  "Z:$(CURDIR)/build/screenshots/framework-sample"
	@for f in build/screenshots/framework-sample-*.bmp; do convert "$$f" "$${f%.bmp}.png" && rm "$$f"; done
	@ls build/screenshots/framework-sample-*.png

# The filter on a sample, then the program itself under Wine (see scripts/run-program.sh).
run: native windows
	@scripts/run-sample.sh build/native/tools/kestrilon-filter
	@scripts/run-program.sh build/windows

bench: native
	@bench/run.sh build/native

# FUZZ_SECONDS=600 make fuzz for the long run.
FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@fuzz/run.sh build/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build
