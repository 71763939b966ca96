// Reading printed sheets back: a job's PDF opened with poppler, and how far a region of a rendered
// sheet is from a page image scaled into it.
#pragma once

#include <poppler-qt6.h>

#include <QFile>
#include <QImage>
#include <QRect>
#include <memory>

namespace pyxa::test {

constexpr double kRenderDpi = 40;

inline std::unique_ptr<Poppler::Document> ReadPdf(const QByteArray& bytes) {
  std::unique_ptr<Poppler::Document> pdf = Poppler::Document::loadFromData(bytes);
  if (pdf) pdf->setRenderHint(Poppler::Document::Antialiasing);
  return pdf;
}

inline std::unique_ptr<Poppler::Document> ReadPdfFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? ReadPdf(file.readAll()) : nullptr;
}

// Mean grey difference (0-255) between the region of a rendered sheet and a page scaled to it.
inline double Difference(const QImage& sheet, const QRect& region, const QImage& page) {
  const QImage got = sheet.copy(region).convertToFormat(QImage::Format_Grayscale8);
  const QImage want = page.convertToFormat(QImage::Format_Grayscale8)
                          .scaled(region.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  double sum = 0;
  for (int y = 0; y < want.height(); ++y)
    for (int x = 0; x < want.width(); ++x) sum += std::abs(qGray(got.pixel(x, y)) - qGray(want.pixel(x, y)));
  return sum / (want.width() * want.height());
}

}  // namespace pyxa::test
