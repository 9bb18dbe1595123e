#pragma once

// Cursor files (.cur): an icon directory of type 2 whose entries carry the
// hot spot where an icon's plane count and bit count would be.

#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QString>

namespace Main {

struct CursorImage {
  QImage image;
  QPoint hotSpot;
};

// Decodes the first image of the cursor file held in `bytes`. Throws
// std::runtime_error when the bytes are not a cursor file Qt can decode.
CursorImage DecodeCursorFile(const QByteArray& bytes);

// Loads the cursor file at `path` as a pointer. Throws std::runtime_error when
// it cannot be read or decoded.
QCursor LoadCursorFile(const QString& path);

}  // namespace Main
