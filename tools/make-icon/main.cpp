// Renders the program icon from its SVG source into the PNG sizes the windows
// and the desktop use. It reads the small part of SVG the icon is drawn in:
// rounded rectangles and paths of absolute M, L, C and Z commands, filled
// with a colour under the nonzero or even-odd rule.
//
//   caseloom-make-icon SOURCE.svg OUTPUT_FOLDER

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <cstdio>
#include <vector>

namespace {

struct Shape {
  QPainterPath path;
  QColor fill;
};

QPainterPath parsePathData(const QString& data) {
  static const QRegularExpression token(QStringLiteral("[MLCZmlcz]|-?[0-9]*\\.?[0-9]+"));
  QPainterPath path;
  QChar command;
  std::vector<double> numbers;
  auto consume = [&] {
    if ((command == QLatin1Char('M') || command == QLatin1Char('L')) && numbers.size() == 2) {
      if (command == QLatin1Char('M')) {
        path.moveTo(numbers[0], numbers[1]);
        command = QLatin1Char('L');  // further pairs after M draw lines
      } else {
        path.lineTo(numbers[0], numbers[1]);
      }
      numbers.clear();
    } else if (command == QLatin1Char('C') && numbers.size() == 6) {
      path.cubicTo(numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5]);
      numbers.clear();
    }
  };
  for (auto match = token.globalMatch(data); match.hasNext();) {
    const QString t = match.next().captured();
    if (t[0].isLetter()) {
      command = t[0].toUpper();
      numbers.clear();
      if (command == QLatin1Char('Z')) path.closeSubpath();
    } else {
      numbers.push_back(t.toDouble());
      consume();
    }
  }
  return path;
}

std::vector<Shape> readShapes(const QString& file, QSizeF& viewBox) {
  QFile source(file);
  if (!source.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "caseloom-make-icon: cannot read %s\n", qPrintable(file));
    std::exit(1);
  }
  std::vector<Shape> shapes;
  QXmlStreamReader xml(&source);
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const auto attributes = xml.attributes();
    const QString name = xml.name().toString();
    if (name == QLatin1String("svg")) {
      const QStringList box = attributes.value(QLatin1String("viewBox")).toString().split(' ');
      viewBox = QSizeF(box.value(2).toDouble(), box.value(3).toDouble());
    } else if (name == QLatin1String("rect")) {
      QPainterPath path;
      const double radius = attributes.value(QLatin1String("rx")).toDouble();
      path.addRoundedRect(attributes.value(QLatin1String("x")).toDouble(),
                          attributes.value(QLatin1String("y")).toDouble(),
                          attributes.value(QLatin1String("width")).toDouble(),
                          attributes.value(QLatin1String("height")).toDouble(), radius, radius);
      shapes.push_back({path, QColor(attributes.value(QLatin1String("fill")).toString())});
    } else if (name == QLatin1String("path")) {
      QPainterPath path = parsePathData(attributes.value(QLatin1String("d")).toString());
      const bool evenOdd = attributes.value(QLatin1String("fill-rule")) == QLatin1String("evenodd");
      path.setFillRule(evenOdd ? Qt::OddEvenFill : Qt::WindingFill);
      shapes.push_back({path, QColor(attributes.value(QLatin1String("fill")).toString())});
    }
  }
  if (xml.hasError()) {
    std::fprintf(stderr, "caseloom-make-icon: %s\n", qPrintable(xml.errorString()));
    std::exit(1);
  }
  return shapes;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Raster painting on images needs no display, so no application object.
  if (argc != 3) {
    std::fprintf(stderr, "usage: caseloom-make-icon SOURCE.svg OUTPUT_FOLDER\n");
    return 2;
  }
  QSizeF viewBox(256, 256);
  const std::vector<Shape> shapes = readShapes(QString::fromLocal8Bit(argv[1]), viewBox);
  QDir().mkpath(QString::fromLocal8Bit(argv[2]));
  for (int size : {32, 48, 128, 256}) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / viewBox.width(), size / viewBox.height());
    painter.setPen(Qt::NoPen);
    for (const Shape& shape : shapes) {
      painter.setBrush(shape.fill);
      painter.drawPath(shape.path);
    }
    painter.end();
    const QString out =
        QStringLiteral("%1/caseloom-%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(size);
    if (!image.save(out)) {
      std::fprintf(stderr, "caseloom-make-icon: cannot write %s\n", qPrintable(out));
      return 1;
    }
  }
  return 0;
}
