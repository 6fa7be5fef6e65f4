#include "core/error.h"

#include "core/paths.h"
#include "core/system.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

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

namespace {

// Windows' texts for the errors a file operation meets, by the errno that stands for them.
const char* windowsText(int errorNumber) {
    switch (errorNumber) {
    case ENOENT: // ERROR_FILE_NOT_FOUND
        return "Das System kann die angegebene Datei nicht finden.";
    case ENOTDIR: // ERROR_PATH_NOT_FOUND
        return "Das System kann den angegebenen Pfad nicht finden.";
    case EACCES: // ERROR_ACCESS_DENIED, also for a folder opened as a file
    case EPERM:
    case EISDIR:
        return "Zugriff verweigert.";
    case EROFS: // ERROR_WRITE_PROTECT
        return "Das Medium ist schreibgeschützt.";
    case ENOSPC: // ERROR_DISK_FULL
        return "Auf dem Datenträger ist nicht genügend Speicherplatz vorhanden.";
    case EBUSY: // ERROR_SHARING_VIOLATION
        return "Der Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen "
               "Prozess verwendet wird.";
    case EEXIST: // ERROR_FILE_EXISTS
        return "Die Datei ist vorhanden.";
    case ENAMETOOLONG: // ERROR_FILENAME_EXCED_RANGE
        return "Der Dateiname oder die Erweiterung ist zu lang.";
    case ELOOP: // ERROR_CANT_RESOLVE_FILENAME, and what to do about it
        return "Der Name der Datei kann vom System nicht aufgelöst werden: Verknüpfungen auf "
               "dem Weg dorthin zeigen im Kreis aufeinander. Bitte lösche oder berichtige die "
               "Verknüpfung.";
    case EMFILE: // ERROR_TOO_MANY_OPEN_FILES
    case ENFILE:
        return "Das System kann die Datei nicht öffnen.";
    default:
        return nullptr;
    }
}

} // namespace

std::string systemReason(int errorNumber) {
    if (const char* text = windowsText(windowsErrorNumber(errorNumber)))
        return text;
    std::string reason = std::strerror(errorNumber);
    if (!reason.empty() && reason.back() != '.')
        reason += '.';
    return reason;
}

std::string systemReason(int errorNumber, const std::string& windowsPath) {
    if (errorNumber == ENOENT) {
        const std::string folder = folderPart(windowsPath);
        std::error_code ec;
        if (!folder.empty() && !std::filesystem::is_directory(resolvePath(folder), ec))
            return systemReason(ENOTDIR);
    }
    return systemReason(errorNumber);
}

std::string withFullStop(const std::string& text) {
    if (!text.empty() && text.back() == '.')
        return text;
    return text + ".";
}

} // namespace tess
