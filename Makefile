# Front door. `make run` and `make test` are all a newcomer needs; both install what is missing.
SHELL := /bin/bash
JOBS ?= 2

.PHONY: all deps format format-check native windows test test-native test-windows screenshot manual dist run bench fuzz clean

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

# One look for all our C++ (.clang-format); `make format` applies it.
FORMATTED = git ls-files -z '*.cpp' '*.h' | xargs -0

format: deps
	@$(FORMATTED) clang-format -i

format-check: deps
	@$(FORMATTED) clang-format --dry-run -Werror

test: format-check test-native test-windows

# The program as a user meets it (its end-to-end test), saving the dialog's two pages, the tray
# menu and the About box as PNG files in docs/.
screenshot: windows
	@tests/wine/harness.sh --build build/windows --native -- tests/e2e/program-e2e.sh \
	  build/windows/src/app/kestrilon.exe build/windows/tests/e2e/cliptool.exe $(CURDIR)/docs

# The user manual and every page of it as a PNG (build/manual/pages), then its build checks.
manual: native
	@scripts/build-manual.sh build/native
	@scripts/check-manual.sh build/manual/kestrilon.pdf build/native
	@python3 docs/manual/test_render.py build/native/tools/kestrilon-filter

# The release: build/dist/kestrilon-<version>.zip, and its test under Wine.
dist: native windows
	@scripts/dist.sh build/windows build/native
	@tests/wine/harness.sh --build build/windows --native -- tests/e2e/dist-e2e.sh \
	  build/dist/kestrilon-$$(scripts/version.sh).zip build/windows/tests/e2e/cliptool.exe

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
