// Renders an SVG picture into a Windows icon file, for the Windows build's resources:
//   make-icons SVG ICO SIZE...
// Each size becomes one 32-bit image of the icon, stored as PNG (which Windows reads since
// Vista). Run by scripts/make-icons.sh; the icons it writes are kept in the repository, since
// the cross-build has no SVG renderer for Windows.
#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 4) return 2;
  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  if (!renderer.isValid()) return 1;
  QList<QByteArray> images;
  QList<int> sizes;
  for (int i = 3; i < argc; ++i) {
    const int size = QByteArray(argv[i]).toInt();
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    images.append(png);
    sizes.append(size);
  }
  QByteArray ico;
  const auto put16 = [&ico](quint16 v) { ico.append(char(v & 0xFF)).append(char(v >> 8)); };
  const auto put32 = [&](quint32 v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  put16(0);
  put16(1);
  put16(quint16(images.size()));
  quint32 offset = 6 + 16 * quint32(images.size());
  for (int i = 0; i < images.size(); ++i) {
    ico.append(char(sizes[i] >= 256 ? 0 : sizes[i])).append(char(sizes[i] >= 256 ? 0 : sizes[i]));
    ico.append(char(0)).append(char(0));
    put16(1);
    put16(32);
    put32(quint32(images[i].size()));
    put32(offset);
    offset += quint32(images[i].size());
  }
  for (const QByteArray& png : images) ico.append(png);
  QFile out(QString::fromLocal8Bit(argv[2]));
  if (!out.open(QIODevice::WriteOnly)) return 1;
  out.write(ico);
  return 0;
}
