// The one error type of the system. Every failure that ends a handler travels as a
// tess::Error carrying the exact German text the user sees in the stop box.
#pragma once

#include <stdexcept>
#include <string>

namespace tess {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// "Datei %s kann nicht geöffnet werden. %s"
Error cannotOpen(const std::string& path, const std::string& reason);
// "Datei "%s" kann nicht erstellt werden. %s"
Error cannotCreate(const std::string& path, const std::string& reason);
// "'%s' ist kein gültiger Integerwert"
Error notAnInteger(const std::string& text);
// "Listenindex überschreitet das Maximum (%d)"
Error listIndexOutOfBounds(long long index);
// The I/O error of a folder that cannot be entered: "E/A-Fehler %d"
Error ioError(int code);
// "Unbekannte Bilddateierweiterung (.%s)"
Error unknownPictureExtension(const std::string& extension);

// The operating system's text for errno (the reason part of the file errors).
std::string systemReason(int errorNumber);

// The error box appends a full stop when the text does not already end in one.
std::string withFullStop(const std::string& text);

} // namespace tess
