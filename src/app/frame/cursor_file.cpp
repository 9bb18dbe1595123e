#include "app/frame/cursor_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>
#include <stdexcept>

namespace Main {
namespace {

constexpr int kDirectorySize = 6;
constexpr int kEntrySize = 16;
constexpr quint16 kIconType = 1;
constexpr quint16 kCursorType = 2;

std::runtime_error notACursor(const char* reason) {
  return std::runtime_error(std::string("Not a cursor file: ") + reason);
}

quint16 word(const QByteArray& bytes, int offset) {
  return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

}  // namespace

CursorImage DecodeCursorFile(const QByteArray& bytes) {
  if (bytes.size() < kDirectorySize + kEntrySize) throw notACursor("too short.");
  if (word(bytes, 0) != 0 || word(bytes, 2) != kCursorType) throw notACursor("wrong header.");
  if (word(bytes, 4) == 0) throw notACursor("no image.");
  const QPoint hotSpot(word(bytes, kDirectorySize + 4), word(bytes, kDirectorySize + 6));

  // Qt's icon reader decodes the images; it is handed the same bytes marked
  // as an icon, and the hot spot is read here.
  QByteArray asIcon = bytes;
  qToLittleEndian<quint16>(kIconType, asIcon.data() + 2);
  qToLittleEndian<quint16>(1, asIcon.data() + kDirectorySize + 4);   // planes
  qToLittleEndian<quint16>(32, asIcon.data() + kDirectorySize + 6);  // bit count
  QBuffer buffer(&asIcon);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ico");
  QImage image = reader.read();
  if (image.isNull()) throw notACursor("the image cannot be decoded.");
  return {std::move(image), hotSpot};
}

QCursor LoadCursorFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error("The cursor file " + path.toStdString() + " cannot be read.");
  const CursorImage cursor = DecodeCursorFile(file.readAll());
  return QCursor(QPixmap::fromImage(cursor.image), cursor.hotSpot.x(), cursor.hotSpot.y());
}

}  // namespace Main
