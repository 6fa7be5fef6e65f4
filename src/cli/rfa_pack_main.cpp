// rfaPack.exe <folder> <path in archive> <archive> [-Compress]: the game's packer, made of our
// own archive code, for the batches that the system writes. Exit code 0 when the archive was
// written, 1 otherwise.
#include "archive/tools.h"
#include "platform/console.h"

#include <iostream>

int main(int argc, char** argv) {
    const tess::Utf8Console console;
    auto arguments = tess::commandLineArguments(argc, argv);
    arguments.erase(arguments.begin(), arguments.begin() + (arguments.empty() ? 0 : 1));
    const bool ok =
        tess::archive::runPackTool(tess::archive::toolArguments(arguments), std::cout, std::cerr);
    return ok ? 0 : 1;
}
