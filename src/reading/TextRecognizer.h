// Text recognition of one page image: the words read with their boxes on the page as shown, and
// the text they make, line by line. One recogniser per thread; its engine stays behind this header.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>
#include <memory>

namespace pyxa {

struct RecognisedWord {
  QString text;
  QRect box;           // in the pixels of the page as it was given, whatever way it was turned to be read
  int confidence = 0;  // 0 to 100
  int textStart = 0;   // where the word stands in PageText::text
};

struct PageText {
  QString text;  // the words, a space between words of a line and a line break between lines
  QVector<RecognisedWord> words;
  int turned = 0;  // degrees clockwise the page was turned before it could be read (0, 90, 180, 270)
  bool complete = true;  // false for a quick reading of the page's top band only
  QSize pageSize;        // the page's pixels as it was given: what the boxes are measured on
};

// A band of the page to read: its top as it reads upright, reduced to a resolution still enough for
// print. Headers and address labels, which name the patient, sit there.
struct PageBand {
  double topShare = 1.0;  // of the page's height
  int atMostDpi = 0;      // 0: as scanned
};

// The quick first reading of a page: a third of it at 200 dpi reads in a fraction of the time the
// whole page takes.
inline constexpr PageBand kHeaderBand{0.34, 200};

class TextRecognizer {
 public:
  virtual ~TextRecognizer() = default;
  // False, with why in words a clerk can pass to an administrator, when pages cannot be read here.
  virtual bool Available(QString* why) const = 0;
  // Reads a page scanned at dpi; a page without text gives an empty result.
  virtual PageText Read(const QImage& page, int dpi) = 0;
  // Reads only the band of the page, its boxes still on the page as given; not complete.
  virtual PageText ReadBand(const QImage& page, int dpi, const PageBand& band) = 0;
};

// Tesseract with English and French; dataFolder empty: the system's recognition data. Make it on
// the thread that reads with it: that thread's parallel work is kept to the thread itself.
std::unique_ptr<TextRecognizer> MakeTesseractRecognizer(const QString& dataFolder = {});

// The words whose text overlaps [start, start + length) of PageText::text: what the page highlights
// for a value found in the text.
QVector<QRect> BoxesOf(const PageText& page, int start, int length);

}  // namespace pyxa
