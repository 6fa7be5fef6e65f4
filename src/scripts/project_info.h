// Facts about the project itself that appear in what the system writes.
#pragma once

#include <string_view>

namespace tess::scripts {

// Our home page; the AI start script names it at the end of its first line.
inline constexpr std::string_view kHomePage = "http://tessarine.example.org/";

} // namespace tess::scripts
