#include "coversheets/BatchReading.h"

#include "document/TiffPages.h"
#include "upload/FileDigest.h"

#include <QThread>

namespace pyxa {
namespace {

bool Wanted(const SheetFinding& finding, const SheetKinds& kinds) {
  switch (finding.kind) {
    case SheetFinding::Kind::Cover: return kinds.covers;
    case SheetFinding::Kind::Separator: return finding.patch ? kinds.patches : kinds.separators;
    case SheetFinding::Kind::Unreadable: return kinds.covers || kinds.separators;
    case SheetFinding::Kind::Page: return true;
  }
  return true;
}

}  // namespace

BatchReading ReadBatchSheets(const QString& file, const SheetKinds& kinds, const std::atomic_bool& cancel) {
  BatchReading reading;
  reading.file = file;
  // Taken before and after: pages read from a file that changed meanwhile would be numbered wrong.
  const QByteArray before = FileDigest(file);
  TiffPages pages;
  const TiffStatus opened = pages.Open(file);
  if (before.isEmpty() || !opened.Ok()) {
    reading.failure = opened.Ok() ? QStringLiteral("the file could not be read") : opened.description;
    return reading;
  }
  reading.findings.reserve(static_cast<size_t>(pages.PageCount()));
  for (int i = 0; i < pages.PageCount(); ++i) {
    if (cancel.load()) {
      reading.cancelled = true;
      return reading;
    }
    QImage image;
    SheetFinding finding;
    // A page that cannot be decoded is shown as such in the view; here it is an ordinary page.
    if (pages.Decode(i, kMaxPagePixels, &image).Ok()) {
      const TiffPageInfo& info = pages.Pages()[static_cast<size_t>(i)];
      const bool turned = info.Transposed();
      const int x = info.XDpi(), y = info.YDpi();
      finding = FindSheet(image, turned ? y : x, turned ? x : y);
      if (!Wanted(finding, kinds)) finding = SheetFinding();
    }
    reading.findings.push_back(std::move(finding));
  }
  if (FileDigest(file) != before) {
    reading.failure = QStringLiteral("the file changed while it was read");
    reading.findings.clear();
    return reading;
  }
  reading.digest = before;
  return reading;
}

SheetReader::SheetReader(QObject* parent) : QObject(parent) {}

SheetReader::~SheetReader() { Stop(); }

void SheetReader::Stop() {
  if (!thread_) return;
  cancel_->store(true);
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
}

void SheetReader::Cancel() {
  ++generation_;
  Stop();
}

void SheetReader::Start(const QString& file, const SheetKinds& kinds) {
  Cancel();
  const quint64 generation = generation_;
  cancel_ = std::make_shared<std::atomic_bool>(false);
  thread_ = QThread::create([this, file, kinds, cancel = cancel_, generation] {
    BatchReading reading = ReadBatchSheets(file, kinds, *cancel);
    if (reading.cancelled) return;
    // Delivered on this object's own thread; a reading overtaken by another start is dropped.
    QMetaObject::invokeMethod(
        this,
        [this, generation, reading = std::move(reading)] {
          if (generation != generation_) return;
          if (thread_) {
            thread_->wait();
            delete thread_;
            thread_ = nullptr;
          }
          Q_EMIT Finished(reading);
        },
        Qt::QueuedConnection);
  });
  thread_->start(QThread::IdlePriority);
}

}  // namespace pyxa
