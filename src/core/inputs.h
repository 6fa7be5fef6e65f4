// "Is this output one of my inputs?" Every command that writes a file the user names asks it
// of everything it reads, before it writes anything: the files named, the map archive, the
// level folder, the maps of a pathmap class. Identity decides, not the name: two paths are one
// file through links, hard links, letter case and "..".
#pragma once

#include <string>
#include <vector>

namespace tess {

// Both paths (Windows paths) name one existing file or folder.
bool sameFile(const std::string& a, const std::string& b);

// What a command reads.
class InputFiles {
public:
    // A file it reads (a Windows path); a missing one is nothing to guard.
    void addFile(const std::string& windowsPath);
    // Every file below a folder it reads from (a level, an addon).
    void addFolder(const std::string& windowsFolder);

    // Throws tess::Error naming both when `output` (a Windows path) is one of the inputs: "Die
    // Zieldatei X ist dieselbe Datei wie Y, die ... liest ...".
    void refuseAsOutput(const std::string& output) const;

private:
    std::vector<std::string> files_;
    std::vector<std::string> folders_;
};

} // namespace tess
