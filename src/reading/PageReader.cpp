#include "reading/PageReader.h"

#include <QFileInfo>
#include <QThread>
#include <utility>

#include "document/PageImaging.h"
#include "document/TiffPages.h"

namespace pyxa {
namespace {

constexpr int kDefaultDpi = 200;  // a page that does not say: most office scans and faxes
constexpr int kFilesKept = 8;     // files whose texts stay while others are shown

bool IsJpeg(const QString& file) {
  const QString suffix = QFileInfo(file).suffix().toLower();
  return suffix == QStringLiteral("jpg") || suffix == QStringLiteral("jpeg");
}

}  // namespace

PageReader::PageReader(RecognizerMaker makeRecognizer, QObject* parent)
    : QObject(parent), makeRecognizer_(std::move(makeRecognizer)) {}

PageReader::~PageReader() { Stop(); }

PageReader::Stamp PageReader::StampOf(const QString& file) {
  const QFileInfo info(file);
  if (!info.isFile()) return {};
  return {info.size(), info.lastModified()};
}

void PageReader::Stop() {
  if (!thread_) return;
  cancel_->store(true);
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
}

void PageReader::Cancel() {
  ++generation_;
  Stop();
}

const PageText* PageReader::Text(const QString& file, int page) const {
  const auto found = files_.constFind(file);
  if (found == files_.constEnd() || !(found->stamp == StampOf(file))) return nullptr;
  const auto text = found->pages.constFind(page);
  return text == found->pages.constEnd() ? nullptr : &*text;
}

void PageReader::Start(const QString& file, int firstPage) {
  Cancel();
  const Stamp stamp = StampOf(file);
  if (files_.contains(file) && !(files_.value(file).stamp == stamp)) files_.remove(file);
  if (!files_.contains(file) && files_.size() >= kFilesKept) files_.clear();
  const QHash<int, PageText> known = files_.value(file).pages;
  const quint64 generation = generation_;
  cancel_ = std::make_shared<std::atomic_bool>(false);
  thread_ = QThread::create([this, file, firstPage, stamp, known, generation, cancel = cancel_] {
    ReadPages(file, firstPage, stamp, known, generation, *cancel);
    // The thread is let go once its pages are in; a reading overtaken by another start is stopped there.
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
          if (generation != generation_ || !thread_) return;
          thread_->wait();
          delete thread_;
          thread_ = nullptr;
        },
        Qt::QueuedConnection);
  });
  thread_->start(QThread::IdlePriority);
}

void PageReader::ReadPages(const QString& file, int firstPage, const Stamp& stamp, const QHash<int, PageText>& known,
                           quint64 generation, const std::atomic_bool& cancel) {
  const auto fail = [&](const QString& why) {
    QMetaObject::invokeMethod(
        this,
        [this, generation, file, why] {
          if (generation == generation_) Q_EMIT Failed(file, why);
        },
        Qt::QueuedConnection);
  };
  const std::unique_ptr<TextRecognizer> recognizer = makeRecognizer_();
  QString why;
  if (!recognizer->Available(&why)) return fail(why);

  TiffPages pages;
  int count = 1;
  if (!IsJpeg(file)) {
    const TiffStatus opened = pages.Open(file);
    if (!opened.Ok()) return fail(opened.description);
    count = pages.PageCount();
  }
  QVector<int> order;
  if (firstPage >= 0 && firstPage < count) order << firstPage;
  for (int page = 0; page < count; ++page) {
    if (page != firstPage) order << page;
  }
  // The top band of every page first, for a patient proposal per page soon (a batch splits into
  // documents by patient), then each page whole.
  for (const bool quick : {true, false}) {
    for (const int page : order) {
      if (cancel.load()) return;
      const auto had = known.constFind(page);
      if (had != known.constEnd() && (quick || had->complete)) continue;
      // Read as the page view shows the page, so that the words' boxes fall where it shows them.
      QImage image;
      int dpi = 0, unused = 0;
      if (IsJpeg(file)) {
        if (ReadPageFile(file, &image, &dpi, &unused) != 0) image = QImage();
      } else if (pages.Decode(page, kMaxPagePixels, &image).Ok()) {
        const TiffPageInfo& info = pages.Pages()[static_cast<size_t>(page)];
        dpi = info.Transposed() ? info.YDpi() : info.XDpi();
      }
      if (dpi <= 0) dpi = kDefaultDpi;
      // A page that cannot be decoded is shown as such; here it simply has no text, delivered once.
      if (image.isNull() && quick) continue;
      PageText text = image.isNull() ? PageText()
                      : quick        ? recognizer->ReadBand(image, dpi, kHeaderBand)
                                     : recognizer->Read(image, dpi);
      text.complete = !quick;
      text.pageSize = image.size();
      QMetaObject::invokeMethod(
          this,
          [this, generation, file, stamp, page, text = std::move(text)] { Deliver(generation, file, stamp, page, text); },
          Qt::QueuedConnection);
    }
  }
}

void PageReader::Deliver(quint64 generation, const QString& file, const Stamp& stamp, int page, const PageText& text) {
  if (generation != generation_) return;
  FileTexts& texts = files_[file];
  if (!(texts.stamp == stamp)) texts = FileTexts{stamp, {}};
  const auto had = texts.pages.constFind(page);
  if (!text.complete && had != texts.pages.constEnd() && had->complete) return;  // never less than was read
  texts.pages.insert(page, text);
  Q_EMIT PageRead(file, page);
}

}  // namespace pyxa
