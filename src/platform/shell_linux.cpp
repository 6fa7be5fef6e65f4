#include "platform/shell.h"

namespace tess {
void openBatch(const std::string&, const std::string&) {}
void openDocument(const std::string&) {}
} // namespace tess
