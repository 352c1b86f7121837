// Renders the program's SVG artwork to PNG files of the sizes desktops ask for, at build time,
// so that the package carries pictures made from the same drawing as the window's icon.
//
//   vrkt_render_icon SVG OUTDIR SIZE...   writes OUTDIR/<SIZE>x<SIZE>.png for every SIZE

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  // Build machines have no display; the offscreen platform renders all the same.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s SVG OUTDIR SIZE...\n", argv[0]);
    return 2;
  }
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "%s: not a readable SVG drawing\n", argv[1]);
    return 1;
  }
  const QDir out(QString::fromLocal8Bit(argv[2]));
  if (!out.mkpath(".")) {
    std::fprintf(stderr, "%s: cannot create the folder\n", argv[2]);
    return 1;
  }
  for (int i = 3; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size < 8 || size > 1024) {
      std::fprintf(stderr, "%s: not an icon size\n", argv[i]);
      return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    const QString file = out.filePath(QStringLiteral("%1x%1.png").arg(size));
    if (!image.save(file, "PNG")) {
      std::fprintf(stderr, "%s: cannot write\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
