// rfaunpack.exe <archive> [<destination>]: the game's unpacker, made of our own archive code,
// for the batches that the system writes. Exit code 0 when the archive was unpacked, 1
// otherwise (the game's own tool says 0 even then).
#include "archive/tools.h"
#include "platform/console.h"
#include "platform/program_folder.h"

#include <iostream>

int main(int argc, char** argv) {
    const tess::Utf8Console console;
    auto arguments = tess::commandLineArguments(argc, argv);
    arguments.erase(arguments.begin(), arguments.begin() + (arguments.empty() ? 0 : 1));
    // Beside Tessarine, its own folder is the program folder.
    const bool ok = tess::archive::runUnpackTool(tess::archive::toolArguments(arguments), std::cout,
                                                 std::cerr, tess::programFolder());
    return ok ? 0 : 1;
}
