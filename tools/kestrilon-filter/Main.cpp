// Entry point of kestrilon-filter; everything else is in FilterTool.
#include "FileIo.h"
#include "FilterTool.h"

int main(int argc, char** argv) {
  return kestrilon::tool::RunFilterTool(kestrilon::tool::Arguments(argc, argv));
}
