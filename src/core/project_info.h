// Facts about the project itself that appear in what the system writes.
#pragma once

#include <string_view>

namespace tess {

// Our home page; the AI start script and the area script name it in their first line.
inline constexpr std::string_view kHomePage = "http://tessarine.example.org/";

} // namespace tess
