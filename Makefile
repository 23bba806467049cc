# Front door. `make run` and `make test` are all a newcomer needs; both install what is missing.
SHELL := /bin/bash
JOBS ?= 2

.PHONY: all deps native test test-native run bench fuzz clean

all: native

deps:
	@scripts/deps.sh

native: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS)

test-native: native
	@ctest --preset native

test: test-native

run: native
	@scripts/run-sample.sh build/native/tools/kestrilon-filter

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
