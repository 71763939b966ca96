// Draws one plain page of demo paper for the demo feeder's batch: a US letter sheet at 200 dpi with a
// heading and some typed lines, written as a binary greymap (PGM) the feeder serves as a scanned sheet.
// Usage: pyxa-demo-page <file.pgm> <heading> [line ...]
#include <QGuiApplication>
#include <QImage>
#include <QFile>
#include <QPainter>
#include <QSaveFile>
#include <cstdio>

#include "Sheet.h"

using namespace pyxa;

namespace {
constexpr int kDpi = 200;

int Fail(const QString& text) {
  std::fprintf(stderr, "pyxa-demo-page: %s\n", qPrintable(text));
  return 1;
}
}  // namespace

int main(int argc, char** argv) {
  // Fonts need a GUI application, but no screen: the demo scripts may run anywhere.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 3) return Fail(QStringLiteral("usage: pyxa-demo-page <file.pgm> <heading> [line ...]"));
  const QString path = QFile::decodeName(argv[1]);

  QImage image(int(Sheet::kWidth * kDpi / 72), int(Sheet::kHeight * kDpi / 72), QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.scale(kDpi / 72.0, kDpi / 72.0);
    Sheet sheet(painter, 1);
    sheet.SetFont(Face::Sans, 16, true);
    sheet.Text(72, 96, QString::fromLocal8Bit(argv[2]));
    sheet.Rule(72, 108, Sheet::kWidth - 72, 108, 1.2);
    sheet.SetFont(Face::Serif, 12);
    qreal y = 140;
    for (int i = 3; i < argc; ++i) y = sheet.Paragraph(72, y, Sheet::kWidth - 144, QString::fromLocal8Bit(argv[i])) + 8;
  }
  // Written whole or not at all: a half-written sheet would be a malformed page in the feeder.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || !image.convertToFormat(QImage::Format_Grayscale8).save(&file, "PGM") ||
      !file.commit())
    return Fail(QStringLiteral("cannot write ") + path);
  return 0;
}
