// Prints the ANSI code page, so that the Wine harness can refuse to run tests under any other
// than 932.
#include <windows.h>

#include <cstdio>

int main() {
  std::printf("%u\n", GetACP());
  return 0;
}
