// kestrilon-filter: the filter pipeline over a file or a pipe.
//
//   kestrilon-filter [options] [FILE]
//
// Exit status: 0 done; 1 input/output error; 2 usage error (unknown option or setting, bad
// value); 3 input that is not valid in its encoding or holds a NUL byte (the byte offset is
// named), or that needs more placeholders than code page 932's user-defined area holds.
// Nothing is written on an error.
#pragma once

#include <string>
#include <vector>

namespace kestrilon::tool {

enum ExitStatus : int { kDone = 0, kIoError = 1, kUsageError = 2, kBadInput = 3 };

// Runs the tool with these arguments (UTF-8, program name excluded); returns the exit status.
int RunFilterTool(const std::vector<std::string>& args);

}  // namespace kestrilon::tool
