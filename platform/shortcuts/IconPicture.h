#pragma once

#include <QIODevice>
#include <QImage>

namespace Platform {
// The picture that a launcher shows for the mod's icon file (.ico): of the pictures the file
// lists, the largest of at most 256x256, as desktop icon themes use. The choice is made from the
// file's directory alone and only that one picture is decoded, so no count of entries costs more
// than reading the directory; of a PNG, only what makes the picture is decoded. Null when there
// is none, or when the chosen picture is larger than its place allows, whatever its entry
// declares: checked in its own header before it is decoded, and once more after.
// Only the directory and that picture are read from `file` (open, at its start).
QImage iconPicture(QIODevice *file);
} // namespace Platform
