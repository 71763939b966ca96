#include "scan/FakeScanner.h"

#include <QTimer>

namespace pyxa {

void FakeScanner::ScriptBatch(const QList<ScannedPage>& pages, Status status, const QString& message) {
  pages_ = pages;
  endStatus_ = status;
  endMessage_ = message;
}

OptionList FakeScanner::Options(const QString& device) {
  if (!options_.contains(device)) return {{}, QStringLiteral("The scanner %1 is not available.").arg(device)};
  return options_.value(device);
}

bool FakeScanner::StartBatch(const QString& device, const QList<OptionSetting>& settings, int maxPages) {
  if (scanning_) return false;
  lastDevice_ = device;
  lastSettings_ = settings;
  lastMaxPages_ = maxPages;
  ++batchesStarted_;
  scanning_ = true;
  paused_ = false;
  next_ = 0;
  limit_ = maxPages > 0 ? std::min<int>(maxPages, int(pages_.size())) : int(pages_.size());
  const quint64 batch = ++batch_;
  QTimer::singleShot(0, this, [this, batch] {
    if (batch == batch_) DeliverNext();
  });
  return true;
}

void FakeScanner::DeliverNext() {
  if (!scanning_ || paused_) return;
  if (next_ == pauseAfter_ && next_ < limit_) {
    paused_ = true;
    return;
  }
  if (next_ >= limit_) {
    scanning_ = false;
    // A page limit reached before the script's end is a batch that ran to its end.
    const bool cut = limit_ < pages_.size();
    Q_EMIT BatchEnded(cut ? Status::Ok : endStatus_, cut ? QString() : endMessage_);
    return;
  }
  const int page = ++next_;
  Q_EMIT Progress(page, 0.0);
  Q_EMIT Progress(page, 1.0);
  Q_EMIT PageScanned(pages_.at(page - 1));
  const quint64 batch = batch_;
  QTimer::singleShot(0, this, [this, batch] {
    if (batch == batch_) DeliverNext();
  });
}

void FakeScanner::Resume() {
  if (!scanning_ || !paused_ || cancelling_) return;
  paused_ = false;
  pauseAfter_ = -1;
  DeliverNext();
}

void FakeScanner::Cancel() {
  if (!scanning_ || cancelling_) return;
  cancelling_ = true;  // the batch runs until its end is heard, so no new batch can overtake it
  ++batch_;
  QTimer::singleShot(0, this, [this] {
    scanning_ = false;
    cancelling_ = false;
    Q_EMIT BatchEnded(Status::Cancelled, QStringLiteral("Scanning was cancelled."));
  });
}

ScannerSource::Reservation FakeScanner::Reserve(const QString& device) {
  ++reserveCalls_;
  if (!reservations_.isEmpty()) {
    const Reservation answer = reservations_.takeFirst();
    if (!answer.ok()) return answer;
  }
  reserved_ = device;
  return {};
}

}  // namespace pyxa
