// What the fuzz targets share: an invariant that doesn't hold stops the run loudly, with the
// condition's text, so that libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

#define CHECK(condition)                \
  do {                                  \
    if (!(condition)) Fail(#condition); \
  } while (false)
