#include <gtest/gtest.h>

#include <QPainter>
#include <QTransform>

#include "reading/PageIdentifiers.h"
#include "reading/TextRecognizer.h"

namespace pyxa {
namespace {

constexpr int kDpi = 200;

// The head of a lab report as a 200 dpi scan prints it; where the card number stands is kept.
QImage LabReportHead(QRect* cardAt) {
  QImage page(1700, 1100, QImage::Format_Grayscale8);
  page.fill(Qt::white);
  QPainter painter(&page);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(34);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QPoint(120, 200), QStringLiteral("Northway Medical Laboratories"));
  painter.drawText(QPoint(120, 320), QStringLiteral("Patient: O'BRIEN, SIOBHAN"));
  painter.drawText(QPoint(120, 390), QStringLiteral("DOB: 1957-03-14   Age: 69 y"));
  const QString card = QStringLiteral("Health card: 4532 019 876");
  painter.drawText(QPoint(120, 460), card);
  painter.drawText(QPoint(120, 530), QStringLiteral("Collected: 2026-12-01 08:42"));
  const QFontMetrics metrics(font);
  *cardAt = QRect(120, 460 - metrics.ascent(), metrics.horizontalAdvance(card), metrics.height());
  return page;
}

QStringList Values(const PageText& page) {
  QStringList values;
  for (const PageIdentifier& found : FindIdentifiers(page.text, RulesFor(QStringLiteral("CA")))) values << found.value;
  return values;
}

// The page is read whichever way up it was scanned, whole or its top band only, and each word's box
// is on the page as given, so that the page view can highlight what was read where it shows it.
TEST(TextRecognizer, ReadsThePatientsIdentifiersWhicheverWayUpThePageCame) {
  auto recognizer = MakeTesseractRecognizer();
  QString why;
  ASSERT_TRUE(recognizer->Available(&why)) << why.toStdString();
  QRect cardAt;
  const QImage upright = LabReportHead(&cardAt);
  const struct {
    int degrees;
  } turns[] = {{0}, {180}, {90}};
  for (const auto& turn : turns) {
    const QTransform turning = QTransform().rotate(turn.degrees);
    const QImage scanned = upright.transformed(turning);
    const QRect expected = QImage::trueMatrix(turning, upright.width(), upright.height()).mapRect(cardAt);
    // The whole page, and its top band read reduced: its boxes too are on the page as given.
    for (const bool band : {false, true}) {
      const PageText page = band ? recognizer->ReadBand(scanned, kDpi, {0.45, 150}) : recognizer->Read(scanned, kDpi);
      SCOPED_TRACE(::testing::Message() << turn.degrees << (band ? " band: " : ": ") << page.text.toStdString());
      EXPECT_EQ(page.turned, turn.degrees);
      EXPECT_EQ(page.complete, !band);
      const QStringList values = Values(page);
      EXPECT_TRUE(values.contains(QStringLiteral("4532019876")));
      EXPECT_TRUE(values.contains(QStringLiteral("1957-03-14")));
      EXPECT_EQ(page.text.contains(QStringLiteral("Collected")), !band);
      const int at = static_cast<int>(page.text.indexOf(QStringLiteral("4532")));
      ASSERT_GE(at, 0);
      const QVector<QRect> boxes = BoxesOf(page, at, 12);
      ASSERT_FALSE(boxes.isEmpty());
      for (const QRect& box : boxes) {
        EXPECT_TRUE(expected.adjusted(-20, -20, 20, 20).contains(box.center())) << "a box at " << box.x() << "," << box.y();
      }
    }
  }

  QImage blank(1700, 1100, QImage::Format_Grayscale8);
  blank.fill(Qt::white);
  EXPECT_TRUE(recognizer->Read(blank, kDpi).words.isEmpty());
}

TEST(TextRecognizer, MissingRecognitionDataTurnsTheFeatureOffAndSaysWhy) {
  auto recognizer = MakeTesseractRecognizer(QStringLiteral("/nonexistent/tessdata"));
  QString why;
  EXPECT_FALSE(recognizer->Available(&why));
  EXPECT_TRUE(why.contains(QStringLiteral("tesseract-ocr-eng"))) << why.toStdString();
  EXPECT_TRUE(recognizer->Read(QImage(100, 100, QImage::Format_Grayscale8), kDpi).text.isEmpty());
}

}  // namespace
}  // namespace pyxa
