// A stand-in for `tessarine-cli run-batch FILE`, so the interpreter can be run as a process
// of its own in tests.
#include "batch/interpreter.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3 || std::string(argv[1]) != "run-batch") {
        std::cerr << "Aufruf: " << argv[0] << " run-batch DATEI\n";
        return 2;
    }
    return tess::batch::runBatchCommand(argv[2]);
}
