#include "TestPages.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <QFont>
#include <QPainter>
#include <QTransform>
#include <cmath>
#include <map>

namespace pyxa::test {

namespace {

void DrawCode(QImage& page, ZXing::BarcodeFormat format, const std::string& text, QPoint at, int module, int height) {
  const ZXing::BitMatrix bits = ZXing::MultiFormatWriter(format).setMargin(0).encode(text, 0, 1);
  QPainter painter(&page);
  for (int x = 0; x < bits.width(); ++x)
    if (bits.get(x, 0)) painter.fillRect(at.x() + x * module, at.y(), module, height, Qt::black);
}

int CodeWidth(ZXing::BarcodeFormat format, const std::string& text) {
  return ZXing::MultiFormatWriter(format).setMargin(0).encode(text, 0, 1).width();
}

}  // namespace

QImage BlankPage(int dpi) {
  QImage page(dpi * 17 / 2, dpi * 11, QImage::Format_Grayscale8);
  page.fill(255);
  return page;
}

void DrawText(QImage& page, int dpi, int firstLine, int lines) {
  QPainter painter(&page);
  QFont font(QStringLiteral("DejaVu Serif"));
  font.setPixelSize(dpi / 7);  // about 10 points
  painter.setFont(font);
  painter.setPen(Qt::black);
  for (int line = firstLine; line < firstLine + lines; ++line)
    painter.drawText(dpi, dpi + line * dpi / 5,
                     QStringLiteral("Line %1: patient seen for follow-up, vitals stable.").arg(line));
}

std::vector<DrawnCode> DrawBarCodes(QImage& page, int dpi) {
  struct Code {
    ZXing::BarcodeFormat format;
    std::string text;
    int type;
    QString value;
  };
  const Code codes[] = {
      {ZXing::BarcodeFormat::Code39, "PYXA-12345", 2, QStringLiteral("PYXA-12345")},
      {ZXing::BarcodeFormat::Code128, "Lab 2026/03 #77", 1, QStringLiteral("Lab 2026/03 #77")},
      {ZXing::BarcodeFormat::EAN13, "4006381333931", 4, QStringLiteral("4006381333931")},
      {ZXing::BarcodeFormat::UPCA, "036000291452", 8, QStringLiteral("036000291452")},
      {ZXing::BarcodeFormat::Codabar, "A40156B", 0, QStringLiteral("40156")},
      {ZXing::BarcodeFormat::ITF, "1234567890", 5, QStringLiteral("1234567890")},
  };
  const int module = std::max(2, dpi / 100);  // 10 mil bars, as office labels print them
  const int height = dpi / 2;
  std::vector<DrawnCode> drawn;
  int y = dpi;
  for (const Code& code : codes) {
    const QPoint at(dpi, y);
    DrawCode(page, code.format, code.text, at, module, height);
    drawn.push_back({code.type, code.value, QRect(at, QSize(CodeWidth(code.format, code.text) * module, height))});
    y += dpi * 3 / 2;
  }
  return drawn;
}

QImage PatchSheet(PatchCode code, int dpi) {
  static const std::map<PatchCode, QString> orders = {
      {PatchCode::Patch1, QStringLiteral("WWNN")}, {PatchCode::Patch2, QStringLiteral("WNNW")},
      {PatchCode::Patch3, QStringLiteral("WNWN")}, {PatchCode::Patch4, QStringLiteral("NWWN")},
      {PatchCode::Patch6, QStringLiteral("NNWW")}, {PatchCode::PatchT, QStringLiteral("NWNW")}};
  QImage page = BlankPage(dpi);
  QPainter painter(&page);
  double y = 1.0;
  for (QChar bar : orders.at(code)) {
    const double thickness = bar == QLatin1Char('W') ? 0.2 : 0.08;
    painter.fillRect(QRectF(3.0 * dpi, y * dpi, 2.5 * dpi, thickness * dpi), Qt::black);
    y += thickness + 0.08;
  }
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(dpi / 4);
  painter.setFont(font);
  painter.drawText(dpi, dpi * 3, PatchCodeName(code));
  return page;
}

QImage Bilevel(const QImage& grey) {
  const QImage g = grey.convertToFormat(QImage::Format_Grayscale8);
  QImage mono(g.size(), QImage::Format_Mono);
  mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  mono.fill(0);
  for (int y = 0; y < g.height(); ++y) {
    const uchar* line = g.constScanLine(y);
    for (int x = 0; x < g.width(); ++x)
      if (line[x] < 128) mono.setPixel(x, y, 1);
  }
  return mono;
}

QImage Turned(const QImage& grey, double degrees) {
  const bool quarter = std::fmod(std::fabs(degrees), 180.0) == 90.0;
  QImage out(quarter ? grey.height() : grey.width(), quarter ? grey.width() : grey.height(), QImage::Format_Grayscale8);
  out.fill(255);
  QPainter painter(&out);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.translate(out.width() / 2.0, out.height() / 2.0);
  painter.rotate(degrees);
  painter.drawImage(QPointF(-grey.width() / 2.0, -grey.height() / 2.0), grey);
  return out;
}

}  // namespace pyxa::test
