#include "core/error.h"

#include <cstring>

namespace tess {

Error cannotOpen(const std::string& path, const std::string& reason) {
    return Error("Datei " + path + " kann nicht geöffnet werden. " + reason);
}

Error cannotCreate(const std::string& path, const std::string& reason) {
    return Error("Datei \"" + path + "\" kann nicht erstellt werden. " + reason);
}

Error notAnInteger(const std::string& text) {
    return Error("'" + text + "' ist kein gültiger Integerwert");
}

Error listIndexOutOfBounds(long long index) {
    return Error("Listenindex überschreitet das Maximum (" + std::to_string(index) + ")");
}

Error ioError(int code) {
    return Error("E/A-Fehler " + std::to_string(code));
}

Error unknownPictureExtension(const std::string& extension) {
    return Error("Unbekannte Bilddateierweiterung (." + extension + ")");
}

std::string systemReason(int errorNumber) {
    std::string reason = std::strerror(errorNumber);
    if (!reason.empty() && reason.back() != '.')
        reason += '.';
    return reason;
}

std::string withFullStop(const std::string& text) {
    if (!text.empty() && text.back() == '.')
        return text;
    return text + ".";
}

} // namespace tess
