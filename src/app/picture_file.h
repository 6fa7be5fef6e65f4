// Pictures the user loads as the background of the map picture ("Orientierungsbild laden"),
// and the level's own overview picture, as QImages.
#pragma once

#include "areas/overview_picture.h"

#include <QImage>
#include <QString>

#include <string>

// The filter of the open-picture dialog: every format the picture can show.
QString pictureFileFilter();

// Reads a picture file: the formats Qt reads, and DDS textures as the levels carry them.
// Throws a tess::Error: "Unbekannte Bilddateierweiterung (.%s)" for an extension no reader
// knows (checked first, as a file is taken by its type), the file error for a file that
// cannot be read, and "Datei %s ist kein gültiges Bild" when the contents are no picture.
QImage readPictureFile(const std::string& path);

// A decoded picture as a QImage of its own.
QImage toImage(const tess::areas::RgbaPicture& picture);
