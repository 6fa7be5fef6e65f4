// The command line and the console of our programs, the same on every system: arguments
// arrive in UTF-8 (on Windows taken from the wide command line, since the narrow one is in
// the ANSI code page and loses every character that code page lacks), and what the program
// prints is UTF-8.
#pragma once

#include <string>
#include <vector>

namespace tess {

// The program's arguments in UTF-8, the program's own name first.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// While it lives, a Windows console shows the program's UTF-8 output as such; the console's
// code page is given back at the end, since the console may be shared with a batch that
// goes on. Does nothing elsewhere, and nothing when the output is not a console.
class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned previousCodePage_ = 0;
};

} // namespace tess
