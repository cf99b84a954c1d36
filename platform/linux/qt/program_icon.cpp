#include "program_icon.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>

#include "icon_rows.h"

namespace {

// The standard 16-colour palette, one letter per colour; '.' is transparent.
QColor PaletteColour(QChar letter) {
  switch (letter.unicode()) {
    case 'K': return QColor(0x00, 0x00, 0x00);
    case 'm': return QColor(0x80, 0x00, 0x00);
    case 'g': return QColor(0x00, 0x80, 0x00);
    case 'o': return QColor(0x80, 0x80, 0x00);
    case 'n': return QColor(0x00, 0x00, 0x80);
    case 'p': return QColor(0x80, 0x00, 0x80);
    case 't': return QColor(0x00, 0x80, 0x80);
    case 's': return QColor(0xC0, 0xC0, 0xC0);
    case 'd': return QColor(0x80, 0x80, 0x80);
    case 'R': return QColor(0xFF, 0x00, 0x00);
    case 'G': return QColor(0x00, 0xFF, 0x00);
    case 'Y': return QColor(0xFF, 0xFF, 0x00);
    case 'B': return QColor(0x00, 0x00, 0xFF);
    case 'M': return QColor(0xFF, 0x00, 0xFF);
    case 'C': return QColor(0x00, 0xFF, 0xFF);
    case 'W': return QColor(0xFF, 0xFF, 0xFF);
    default: return QColor(Qt::transparent);
  }
}

// The image of the given size from the pixel rows ("image N" followed by N rows), if present.
QImage FromRows(int size) {
  const QStringList lines = QString::fromUtf8(kIconRows).split(QLatin1Char('\n'));
  const QString header = QStringLiteral("image %1").arg(size);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (lines[i].trimmed() != header) continue;
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    int y = 0;
    for (qsizetype k = i + 1; k < lines.size() && y < size; ++k) {
      const QString row = lines[k].trimmed();
      if (row.isEmpty() || row.startsWith(QLatin1Char('#'))) continue;
      if (row.size() != size) return {};  // not a row of this image: the art is malformed
      for (int x = 0; x < size; ++x) image.setPixelColor(x, y, PaletteColour(row[x]));
      ++y;
    }
    return y == size ? image : QImage();
  }
  return {};
}

}  // namespace

QPixmap ProgramIconImage(int size) { return QPixmap::fromImage(FromRows(size)); }

QIcon ProgramIcon() {
  QIcon icon;
  icon.addPixmap(ProgramIconImage(16));
  icon.addPixmap(ProgramIconImage(32));
  return icon;
}
