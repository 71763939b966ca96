#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#ifdef PYXA_OPENMP
#include <omp.h>
#endif

#include <QFileInfo>
#include <QTransform>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "reading/TextRecognizer.h"

namespace pyxa {
namespace {

// OSD's confidence below which a page is read as it is: a page with little text gives a guess.
constexpr float kTurnConfidence = 2.0f;

struct TextDeleter {
  void operator()(char* text) const { delete[] text; }
};

class TesseractRecognizer final : public TextRecognizer {
 public:
  explicit TesseractRecognizer(const QString& dataFolder) {
#ifdef PYXA_OPENMP
    // The engine's OpenMP teams spin while they wait: on a busy two-core computer a page read five
    // times slower, and took the cores from the window. The recogniser lives on its reading thread,
    // where every parallel region now runs in that thread alone.
    omp_set_max_active_levels(0);
#endif
    const QByteArray folder = QFileInfo(dataFolder).absoluteFilePath().toLocal8Bit();
    const char* path = dataFolder.isEmpty() ? nullptr : folder.constData();
    // The engine's own messages (missing data included) stay off the terminal: the caller words them.
    const std::vector<std::string> names{"debug_file"};
    const std::vector<std::string> values{"/dev/null"};
    const bool dataThere = dataFolder.isEmpty() || (QFileInfo::exists(dataFolder + QStringLiteral("/eng.traineddata")) &&
                                                    QFileInfo::exists(dataFolder + QStringLiteral("/fra.traineddata")));
    if (!dataThere || ocr_.Init(path, "eng+fra", tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false) != 0) {
      why_ = QStringLiteral("Text recognition is off: its English and French data (the Debian packages "
                            "tesseract-ocr-eng and tesseract-ocr-fra) are not installed%1.")
                 .arg(dataFolder.isEmpty() ? QString() : QStringLiteral(" in \"%1\"").arg(dataFolder));
      return;
    }
    ocr_.SetPageSegMode(tesseract::PSM_AUTO);
    // Without the orientation data pages are read as they come: an upside-down page gives nothing.
    hasOsd_ = osd_.Init(path, "osd", tesseract::OEM_TESSERACT_ONLY, nullptr, 0, &names, &values, false) == 0;
    if (hasOsd_) osd_.SetPageSegMode(tesseract::PSM_OSD_ONLY);
    ready_ = true;
  }
  ~TesseractRecognizer() override {
    ocr_.End();
    osd_.End();
  }

  bool Available(QString* why) const override {
    if (why) *why = why_;
    return ready_;
  }

  PageText Read(const QImage& page, int dpi) override { return ReadBand(page, dpi, PageBand()); }

  PageText ReadBand(const QImage& page, int dpi, const PageBand& band) override {
    PageText result;
    result.complete = band.topShare >= 1.0;
    if (!ready_ || page.isNull() || dpi <= 0) return result;
    QImage gray = page.convertToFormat(QImage::Format_Grayscale8);
    // Reduced with smoothing: a bilevel scan's edges turn grey, which the engine reads well.
    if (band.atMostDpi > 0 && dpi > band.atMostDpi) {
      gray = gray.scaled(std::max(1, page.width() * band.atMostDpi / dpi), std::max(1, page.height() * band.atMostDpi / dpi),
                         Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      dpi = band.atMostDpi;
    }
    // Read pixels to the page as given: scaled back, then turned back.
    QTransform back = QTransform::fromScale(static_cast<qreal>(page.width()) / gray.width(),
                                            static_cast<qreal>(page.height()) / gray.height());
    const int turned = Orientation(gray, dpi);
    if (turned != 0) {
      const QTransform upright = QTransform().rotate(-turned);
      const QTransform unturn = QImage::trueMatrix(upright, gray.width(), gray.height()).inverted();
      gray = gray.transformed(upright);
      back = unturn * back;
    }
    result.turned = turned;
    // The band cut from the top keeps its pixels where they were on the upright page.
    if (!result.complete) {
      gray = gray.copy(0, 0, gray.width(), std::max(1, static_cast<int>(gray.height() * std::max(band.topShare, 0.0))));
    }
    ocr_.SetImage(gray.constBits(), gray.width(), gray.height(), 1, static_cast<int>(gray.bytesPerLine()));
    ocr_.SetSourceResolution(dpi);
    if (ocr_.Recognize(nullptr) == 0) Collect(back, result);
    ocr_.Clear();
    return result;
  }

 private:
  // The engine's words in reading order, their boxes mapped by back.
  void Collect(const QTransform& back, PageText& result) {
    std::unique_ptr<tesseract::ResultIterator> words(ocr_.GetIterator());
    if (!words) return;
    const auto level = tesseract::RIL_WORD;
    int previousRight = 0, previousHeight = 0;  // of the word before, on the page as read
    do {
      const std::unique_ptr<char[], TextDeleter> text(words->GetUTF8Text(level));
      if (!text) continue;
      int left = 0, top = 0, right = 0, bottom = 0;
      if (!words->BoundingBox(level, &left, &top, &right, &bottom)) continue;
      RecognisedWord word;
      word.text = QString::fromUtf8(text.get()).trimmed();
      if (word.text.isEmpty()) continue;
      word.box = back.mapRect(QRectF(QPointF(left, top), QPointF(right, bottom))).toAlignedRect();
      word.confidence = static_cast<int>(words->Confidence(level));
      if (!result.text.isEmpty() && !result.text.endsWith(QLatin1Char('\n'))) {
        // Words of one line further apart than a word's height stand in different columns: two
        // spaces keep the columns apart for whoever reads the text.
        const int height = std::max(bottom - top, previousHeight);
        result.text += left - previousRight > height ? QStringLiteral("  ") : QStringLiteral(" ");
      }
      previousRight = right;
      previousHeight = bottom - top;
      word.textStart = static_cast<int>(result.text.size());
      result.text += word.text;
      result.words.append(word);
      if (words->IsAtFinalElement(tesseract::RIL_TEXTLINE, level)) result.text += QLatin1Char('\n');
    } while (words->Next(level));
  }

  int Orientation(const QImage& gray, int dpi) {
    if (!hasOsd_) return 0;
    osd_.SetImage(gray.constBits(), gray.width(), gray.height(), 1, static_cast<int>(gray.bytesPerLine()));
    osd_.SetSourceResolution(dpi);
    int degrees = 0;
    float confidence = 0;
    const char* script = nullptr;
    float scriptConfidence = 0;
    const bool found = osd_.DetectOrientationScript(&degrees, &confidence, &script, &scriptConfidence);
    osd_.Clear();
    if (!found || confidence < kTurnConfidence) return 0;
    return ((degrees % 360) + 360) % 360;
  }

  tesseract::TessBaseAPI ocr_;
  tesseract::TessBaseAPI osd_;
  bool ready_ = false;
  bool hasOsd_ = false;
  QString why_;
};

}  // namespace

std::unique_ptr<TextRecognizer> MakeTesseractRecognizer(const QString& dataFolder) {
  return std::make_unique<TesseractRecognizer>(dataFolder);
}

QVector<QRect> BoxesOf(const PageText& page, int start, int length) {
  QVector<QRect> boxes;
  for (const RecognisedWord& word : page.words) {
    const int end = word.textStart + static_cast<int>(word.text.size());
    if (word.textStart < start + length && end > start) boxes.append(word.box);
  }
  return boxes;
}

}  // namespace pyxa
