// Files as the tests read and write them: whole, as bytes; and, under Wine, the build's host
// paths as the Windows programs see them.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace kestrilon::testing {

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A path of the build host ("/work/...") as Wine shows it to a Windows program (drive Z:).
inline std::filesystem::path HostPathUnderWine(std::string_view hostPath) {
  std::wstring path = std::filesystem::path(hostPath).wstring();
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  for (auto& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

}  // namespace kestrilon::testing
