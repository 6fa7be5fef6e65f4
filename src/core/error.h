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

// The reason part of the file errors for errno, ending with a full stop: for the common file
// errors the words of a German Windows ("Das System kann die angegebene Datei nicht
// finden.", "Zugriff verweigert.", ...), for anything else the operating system's own text.
std::string systemReason(int errorNumber);

// The same for an error on the file at windowsPath: a file missing because its folder is
// missing is reported as a missing path, as Windows reports it.
std::string systemReason(int errorNumber, const std::string& windowsPath);

// The error box appends a full stop when the text does not already end in one.
std::string withFullStop(const std::string& text);

} // namespace tess
