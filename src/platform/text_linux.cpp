// Linux's half of core's texts: our own interpreter runs the batch files, and it reads them
// in Windows-1252, as every text file of the system (core/codepage.h).
#include "core/codepage.h"

namespace tess {

std::string encodeBatchText(std::string_view utf8) {
    return encodeCp1252(utf8);
}

std::string decodeBatchText(std::string_view bytes) {
    return decodeCp1252(bytes);
}

} // namespace tess
