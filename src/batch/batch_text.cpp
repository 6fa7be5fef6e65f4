#include "batch/batch_text.h"

#include "core/error.h"

namespace tess::batch {

void checkSafeForBatch(std::string_view text) {
    for (const char c : text) {
        if (c == '&' || c == '|' || c == '<' || c == '>' || c == '^' || c == '%' || c == '"')
            throw Error("Der Pfad \"" + std::string(text) + "\" enthält das Zeichen " + c +
                        ", das in einer Batchdatei eine eigene Bedeutung hat. Bitte benenne "
                        "die Datei oder den Ordner um");
    }
    for (const char c : text)
        if (c == '\r' || c == '\n')
            throw Error("Der Pfad \"" + std::string(text) +
                        "\" enthält einen Zeilenumbruch, der in einer Batchdatei einen "
                        "eigenen Befehl beginnen würde. Bitte benenne die Datei oder den "
                        "Ordner um");
}

std::string copyCommand(std::string_view from, std::string_view to) {
    return "copy \"" + std::string(from) + "\" \"" + std::string(to) + "\"";
}

std::string deleteCommand(std::string_view path) {
    return "del \"" + std::string(path) + "\"";
}

std::string batchArgument(std::string_view text) {
    if (text.find_first_of(" \t") == std::string_view::npos)
        return std::string(text);
    return "\"" + std::string(text) + "\"";
}

} // namespace tess::batch
