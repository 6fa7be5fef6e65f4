#include "platform/console.h"

#ifdef _WIN32
#include "core/windows_api.h"

#include <windows.h>

#include <shellapi.h>
#endif

namespace tess {

#ifdef _WIN32

std::vector<std::string> commandLineArguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(fromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

Utf8Console::Utf8Console() {
    previousCodePage_ = GetConsoleOutputCP();
    if (previousCodePage_ != 0 && previousCodePage_ != CP_UTF8 && !SetConsoleOutputCP(CP_UTF8))
        previousCodePage_ = 0;
}

Utf8Console::~Utf8Console() {
    if (previousCodePage_ != 0 && previousCodePage_ != CP_UTF8)
        SetConsoleOutputCP(previousCodePage_);
}

#else

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

#endif

} // namespace tess
