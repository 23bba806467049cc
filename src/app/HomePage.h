// The address the tray menu's web-site command opens: the one place to change it.
#pragma once

#include <string_view>

namespace kestrilon::app {

// Under the reserved .example domain until the project's home page has an address of its own.
inline constexpr std::string_view kHomePageUrl = "https://kestrilon.example/";

}  // namespace kestrilon::app
