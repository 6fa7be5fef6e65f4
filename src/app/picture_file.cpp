#include "app/picture_file.h"

#include "app/qt_text.h"
#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"

#include <QByteArray>
#include <QImageReader>
#include <QStringList>

#include <set>

namespace {

std::set<QByteArray> readableExtensions() {
    std::set<QByteArray> extensions;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        extensions.insert(format.toLower());
    extensions.insert("dds");
    return extensions;
}

// The extension as typed, without its dot; empty when the name has none.
std::string extensionOf(const std::string& path) {
    const std::string name = tess::fileNamePart(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

tess::Error notAPicture(const std::string& path) {
    return tess::Error("Datei " + path + " ist kein gültiges Bild");
}

} // namespace

QString pictureFileFilter() {
    QStringList patterns;
    for (const QByteArray& extension : readableExtensions())
        patterns.append(QStringLiteral("*.") + QString::fromLatin1(extension));
    return QStringLiteral("Alle Bilder (") + patterns.join(QLatin1Char(' ')) +
           QStringLiteral(");;Alle Dateien (*)");
}

QImage readPictureFile(const std::string& path) {
    const std::string extension = extensionOf(path);
    const QByteArray lower = tess::app::qs(extension).toLower().toUtf8();
    if (!readableExtensions().contains(lower))
        throw tess::unknownPictureExtension(extension);
    const std::string bytes = tess::readFileBytes(path);
    if (lower == "dds") {
        const auto picture = tess::areas::decodeDds(bytes);
        if (!picture)
            throw notAPicture(path);
        return toImage(*picture);
    }
    QImage image = QImage::fromData(
        QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (image.isNull())
        throw notAPicture(path);
    return image;
}

QImage toImage(const tess::areas::RgbaPicture& picture) {
    const QImage view(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                      QImage::Format_RGBA8888);
    return view.copy();
}
