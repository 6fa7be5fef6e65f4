// A stand-in for `tessarine-cli run-batch FILE`, so the interpreter can be run as a process
// of its own in tests. The program folder is the third argument (none: no folder holds the
// program's files).
#include "batch/interpreter.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if ((argc != 3 && argc != 4) || std::string(argv[1]) != "run-batch") {
        std::cerr << "Aufruf: " << argv[0] << " run-batch DATEI [PROGRAMMORDNER]\n";
        return 2;
    }
    return tess::batch::runBatchCommand(argv[2], argc == 4 ? argv[3] : "");
}
