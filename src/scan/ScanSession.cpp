#include "scan/ScanSession.h"

#include <utility>

#include "scan/BatchName.h"

namespace pyxa {

ScanSession::ScanSession(ScannerSource& source, const Clock& clock, QString batchFolder, QObject* parent)
    : QObject(parent), source_(source), clock_(clock), folder_(std::move(batchFolder)) {
  connect(&source_, &ScannerSource::PageScanned, this, [this](const ScannedPage& page) {
    if (running_) OnPage(page);
  });
  connect(&source_, &ScannerSource::Progress, this, [this](int page, double fraction) {
    if (running_) Q_EMIT PageProgress(page, fraction);
  });
  connect(&source_, &ScannerSource::BatchEnded, this, [this](ScannerSource::Status status, const QString& message) {
    if (running_) OnEnded(status, message);
  });
}

ScanSession::~ScanSession() {
  if (running_) source_.Cancel();
}

bool ScanSession::Start(const QString& device, const QList<OptionSetting>& settings) {
  if (running_) return false;
  message_.clear();
  failure_.clear();
  userCancelled_ = false;
  const BatchName name = ReserveBatchName(folder_, clock_);
  if (!name.Ok()) {
    message_ = name.message;
    return false;
  }
  writer_ = std::make_unique<BatchWriter>(name.path);
  running_ = true;
  if (!source_.StartBatch(device, settings)) {
    running_ = false;
    writer_.reset();  // removes the still-empty reserved file
    message_ = QStringLiteral("The scanner is still busy with another batch.");
    return false;
  }
  return true;
}

void ScanSession::Cancel() {
  if (!running_) return;
  userCancelled_ = true;
  source_.Cancel();
}

QString ScanSession::BatchPath() const { return writer_ && writer_->PageCount() > 0 ? writer_->Path() : QString(); }

int ScanSession::Pages() const { return writer_ ? writer_->PageCount() : 0; }

void ScanSession::OnPage(const ScannedPage& page) {
  if (!failure_.isEmpty()) return;  // the batch is ending; nothing more goes in
  const BatchAppendResult appended = writer_->Append(page);
  if (!appended.Ok()) {
    // Scanning on would only lose the next pages too: stop, keeping what the batch holds.
    failure_ = appended.message;
    source_.Cancel();
    return;
  }
  Q_EMIT PageAdded(writer_->Path(), appended.pageCount);
  if (appended.warning) Q_EMIT Warning(appended.warning->title, appended.warning->text);
}

void ScanSession::OnEnded(ScannerSource::Status status, const QString& message) {
  running_ = false;
  const int kept = Pages();
  if (kept == 0) writer_.reset();  // nothing scanned: the reserved, empty batch file goes
  bool ok = true;
  if (!failure_.isEmpty()) {
    ok = false;
    message_ = failure_;
  } else if (status == ScannerSource::Status::Cancelled && userCancelled_) {
    message_.clear();
  } else {
    ok = status == ScannerSource::Status::Ok;
    message_ = ScanEndText(status, message, kept);
  }
  Q_EMIT Finished(ok, message_);
}

QString ScanEndText(ScannerSource::Status status, const QString& sourceMessage, int pagesKept) {
  using S = ScannerSource::Status;
  if (status == S::Ok || status == S::Cancelled) return {};
  QString text = status == S::NoDocuments ? QStringLiteral("There is no paper in the scanner.") : sourceMessage;
  if (text.isEmpty()) text = QStringLiteral("The scanner stopped with an error.");
  if (pagesKept > 0)
    text += QStringLiteral("\nThe %1 scanned before %2 kept in the batch.")
                .arg(pagesKept == 1 ? QStringLiteral("page") : QStringLiteral("%1 pages").arg(pagesKept),
                     pagesKept == 1 ? QStringLiteral("is") : QStringLiteral("are"));
  return text;
}

}  // namespace pyxa
