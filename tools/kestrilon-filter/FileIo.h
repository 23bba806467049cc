// The few operating-system services kestrilon-filter needs, for Linux and Windows. Paths and
// texts for the user are UTF-8 here; file contents are bytes, never translated (binary mode).
// Every function that can fail returns false and puts the system's reason into `error`.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrilon::tool {

// The command line as UTF-8 strings, the program name excluded (Windows: from the wide command
// line, so that any file name works).
std::vector<std::string> Arguments(int argc, char** argv);

// Reads everything into out. Where the size is known beforehand (a regular file), out gets room
// for a little more than that, for the filter to grow the text in place.
bool ReadWholeFile(const std::string& path, std::string& out, std::string& error);
bool ReadStandardInput(std::string& out, std::string& error);

// An empty string with room for capacity bytes: the text and its growth in place. (The tool's
// own allocation functions put such a buffer in huge pages on Linux.)
std::string LargeBuffer(std::size_t capacity);

// Writes bytes to a new temporary file beside path and then puts it in path's place in one
// step, so that path holds either its old contents or all of the new ones, never a part.
// An existing file's permissions are kept.
bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string& error);

enum class Text { Utf8, Cp932 };

// Writes all of bytes to standard output. A Windows console gets them as characters of the
// given encoding; anything else (a file, a pipe, any terminal on Linux) gets the bytes.
bool WriteStandardOutput(std::string_view bytes, Text encoding, std::string& error);

// Messages, help and lists (UTF-8), to standard error or output.
void WriteMessage(std::string_view utf8);
void WriteInfo(std::string_view utf8);

// The name of the user running the program (Linux: the password entry of the effective user,
// else $USER; Windows: GetUserNameW), as UTF-8; nullopt if it can't be told.
std::optional<std::string> CurrentUserName();

}  // namespace kestrilon::tool
