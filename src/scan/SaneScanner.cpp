#include "scan/SaneScanner.h"

#include <QDeadlineTimer>

#include "scan/SaneReplies.h"
#include "scan/ScanOutcome.h"

namespace pyxa {
namespace {

QString Kept(int delivered) {
  if (delivered == 0) return {};
  return delivered == 1 ? QStringLiteral(" The page scanned before is kept.")
                        : QStringLiteral(" The %1 pages scanned before are kept.").arg(delivered);
}

}  // namespace

SaneScanner::SaneScanner(QString helperPath, QObject* parent)
    : ScannerSource(parent), helperPath_(std::move(helperPath)) {
  silence_.setSingleShot(true);
  connect(&silence_, &QTimer::timeout, this, &SaneScanner::OnSilence);
}

SaneScanner::~SaneScanner() { StopHelper(); }

qint64 SaneScanner::HelperProcessId() const {
  return helper_ && helper_->state() == QProcess::Running ? helper_->processId() : 0;
}

bool SaneScanner::EnsureHelper(QString& error) {
  if (helper_ && helper_->state() == QProcess::Running && !helperLeaving_) return true;
  StopHelper();
  helperLeaving_ = false;
  auto* p = new QProcess(this);
  p->setProgram(helperPath_);
  // SANE stops its backends' reader threads by asynchronous cancellation; a thread cancelled while it
  // gives its malloc cache back at exit can leave an arena locked for good, and a later batch waits on
  // it. Without the per-thread cache there is nothing to give back at exit.
  QProcessEnvironment environment = environment_;
  if (!environment.contains(QStringLiteral("GLIBC_TUNABLES")))
    environment.insert(QStringLiteral("GLIBC_TUNABLES"), QStringLiteral("glibc.malloc.tcache_count=0"));
  p->setProcessEnvironment(environment);
  p->setProcessChannelMode(QProcess::ForwardedErrorChannel);  // backend diagnostics go to our log
  connect(p, &QProcess::readyReadStandardOutput, this, &SaneScanner::OnReadyRead);
  connect(p, &QProcess::finished, this, &SaneScanner::OnHelperFinished);
  helper_ = p;
  p->start();
  if (!p->waitForStarted(timeouts_.requestMs)) {
    error = QStringLiteral("The scanner helper %1 could not be started: %2").arg(helperPath_, p->errorString());
    StopHelper();
    return false;
  }
  return true;
}

// Ends the helper: politely (stdin closed) when it is idle, by force otherwise; its signals are cut
// first so that a helper we end on purpose is never reported as a crash.
void SaneScanner::StopHelper() {
  if (!helper_) return;
  QProcess* p = helper_;
  helper_ = nullptr;
  p->disconnect(this);
  if (p->state() != QProcess::NotRunning) {
    if (!scanning_) {
      p->closeWriteChannel();
      if (!p->waitForFinished(2000)) p->kill();
    } else {
      p->kill();
    }
    p->waitForFinished(5000);
  }
  p->deleteLater();
  buffer_.clear();
  reserved_.clear();
}

std::optional<scanwire::Message> SaneScanner::Request(const std::string& message, QString& error) {
  if (scanning_) {
    error = QStringLiteral("The scanner is busy with a batch; wait until it ends.");
    return std::nullopt;
  }
  if (!EnsureHelper(error)) return std::nullopt;
  buffer_.clear();
  helper_->write(message.data(), qint64(message.size()));
  QDeadlineTimer deadline(timeouts_.requestMs);
  for (;;) {
    scanwire::Message reply;
    const auto took = scanwire::TakeMessage(buffer_, reply);
    if (took == scanwire::Take::Message) return reply;
    if (took == scanwire::Take::Broken) {
      error = QStringLiteral("The scanner helper sent an answer this program cannot read.");
      StopHelper();
      return std::nullopt;
    }
    // readyRead, emitted inside the wait, moves the bytes into buffer_.
    const bool running = helper_ && helper_->state() == QProcess::Running;
    if (!running || deadline.hasExpired() || !helper_->waitForReadyRead(int(deadline.remainingTime()))) {
      if (helper_) OnReadyRead();  // the last bytes of a helper that has just ended
      if (scanwire::TakeMessage(buffer_, reply) == scanwire::Take::Message) return reply;
      const bool stillRunning = helper_ && helper_->state() == QProcess::Running;
      error = stillRunning
                  ? QStringLiteral("The scanner did not answer within %1 seconds.").arg(timeouts_.requestMs / 1000)
                  : QStringLiteral("The scanner helper stopped unexpectedly.");
      StopHelper();
      return std::nullopt;
    }
  }
}

DeviceList SaneScanner::Devices() {
  DeviceList result;
  auto reply = Request(scanwire::Writer(scanwire::Msg::ListDevices).Finish(), result.error);
  if (!reply) return result;
  if (reply->type == scanwire::Msg::Devices) {
    if (auto devices = DecodeDevices(reply->payload)) {
      result.devices = *devices;
      return result;
    }
  } else if (reply->type == scanwire::Msg::Status) {
    if (auto s = DecodeStatus(reply->payload)) {
      result.error = DescribeRequestFailure(s->phase, s->saneStatus, s->detail, {});
      return result;
    }
  }
  result.error = QStringLiteral("The scanner helper sent an answer this program cannot read.");
  StopHelper();
  return result;
}

OptionList SaneScanner::Options(const QString& device) {
  OptionList result;
  auto reply = Request(EncodeOptionsRequest(device), result.error);
  if (!reply) return result;
  if (reply->type == scanwire::Msg::Options) {
    if (auto options = DecodeOptions(reply->payload)) {
      result.options = *options;
      return result;
    }
  } else if (reply->type == scanwire::Msg::Status) {
    if (auto s = DecodeStatus(reply->payload)) {
      result.error = DescribeRequestFailure(s->phase, s->saneStatus, s->detail, device);
      return result;
    }
  }
  result.error = QStringLiteral("The scanner helper sent an answer this program cannot read.");
  StopHelper();
  return result;
}

ScannerSource::Reservation SaneScanner::Reserve(const QString& device) {
  Reservation result;
  auto reply = Request(scanwire::Writer(scanwire::Msg::Reserve).Str(device.toStdString()).Finish(), result.message);
  if (!reply) {
    result.status = Status::HelperDied;
    return result;
  }
  if (reply->type == scanwire::Msg::Status) {
    if (auto s = DecodeStatus(reply->payload)) {
      if (s->phase == scanwire::Phase::Done) {
        reserved_ = device;
        return result;
      }
      const ScanOutcome out = DescribeScanEnd(s->phase, s->saneStatus, 0, s->detail, 0, device);
      return {out.status == Status::Ok ? Status::Failed : out.status, out.message};
    }
  }
  StopHelper();
  return {Status::Failed, QStringLiteral("The scanner helper sent an answer this program cannot read.")};
}

QString SaneScanner::ReservedDevice() const {
  const bool held = helper_ && helper_->state() == QProcess::Running && !helperLeaving_;
  return held ? reserved_ : QString();
}

void SaneScanner::Release() {
  if (reserved_.isEmpty() || scanning_) return;
  QString error;
  // A helper that does not answer is ended, which gives the device back all the same.
  if (!Request(scanwire::Writer(scanwire::Msg::Release).Finish(), error)) StopHelper();
  reserved_.clear();
}

bool SaneScanner::StartBatch(const QString& device, const QList<OptionSetting>& settings, int maxPages) {
  if (scanning_) return false;
  device_ = device;
  page_ = 0;
  delivered_ = 0;
  inPage_ = false;
  cancelling_ = false;
  QString error;
  const bool started = EnsureHelper(error);
  scanning_ = true;
  if (!started) {
    // The caller hears the end after StartBatch has returned, as for every other batch.
    QTimer::singleShot(0, this, [this, error] { EndBatch(Status::Failed, error); });
    return true;
  }
  buffer_.clear();
  const std::string request = EncodeScanRequest(device, settings, maxPages);
  helper_->write(request.data(), qint64(request.size()));
  silence_.start(timeouts_.silenceMs);
  return true;
}

void SaneScanner::Cancel() {
  if (!scanning_ || cancelling_) return;
  cancelling_ = true;
  inPage_ = false;
  if (helper_ && helper_->state() == QProcess::Running) {
    const std::string m = scanwire::Writer(scanwire::Msg::Cancel).Finish();
    helper_->write(m.data(), qint64(m.size()));
  }
  silence_.start(timeouts_.cancelMs);
}

void SaneScanner::OnReadyRead() {
  if (!helper_) return;
  const QByteArray bytes = helper_->readAllStandardOutput();
  buffer_.append(bytes.constData(), size_t(bytes.size()));
  if (scanning_) {
    if (!cancelling_) silence_.start(timeouts_.silenceMs);
    ProcessBatchMessages();
  }
}

void SaneScanner::ProcessBatchMessages() {
  while (scanning_) {
    scanwire::Message m;
    const auto took = scanwire::TakeMessage(buffer_, m);
    if (took == scanwire::Take::NeedMore) return;
    if (took == scanwire::Take::Broken) {
      FailBatch(QStringLiteral("The scanner helper sent data this program cannot read; scanning was stopped."));
      return;
    }
    HandleBatchMessage(m);
  }
}

void SaneScanner::HandleBatchMessage(const scanwire::Message& m) {
  switch (m.type) {
    case scanwire::Msg::PageStart: {
      auto start = DecodePageStart(m.payload);
      if (!start) break;
      page_ = start->page;
      if (cancelling_) return;
      if (!assembler_.Begin(start->format)) {
        FailBatch(QStringLiteral("The scanner described page %1 in a way this program cannot read; scanning was stopped.")
                      .arg(page_));
        return;
      }
      inPage_ = true;
      Q_EMIT Progress(page_, start->format.lines < 0 ? -1.0 : 0.0);
      return;
    }
    case scanwire::Msg::PageData:
      if (cancelling_) return;
      if (!inPage_) break;
      if (!assembler_.Append(m.payload)) {
        FailBatch(QStringLiteral("Page %1 is too large for this program; scanning was stopped.").arg(page_));
        return;
      }
      Q_EMIT Progress(page_, assembler_.Fraction());
      return;
    case scanwire::Msg::PageEnd: {
      if (cancelling_) return;
      if (!inPage_) break;
      inPage_ = false;
      auto page = assembler_.Finish();
      if (!page) {
        FailBatch(QStringLiteral("The scanner sent no image for page %1; scanning was stopped.").arg(page_));
        return;
      }
      ++delivered_;
      Q_EMIT PageScanned(*page);
      return;
    }
    case scanwire::Msg::Leaving:
      helperLeaving_ = true;
      return;
    case scanwire::Msg::Status: {
      auto s = DecodeStatus(m.payload);
      if (!s) break;
      if (cancelling_) {
        EndBatch(Status::Cancelled, QStringLiteral("Scanning was cancelled.") + Kept(delivered_));
        return;
      }
      const ScanOutcome out = DescribeScanEnd(s->phase, s->saneStatus, s->page, s->detail, delivered_, device_);
      // A batch ended in mid-page (a jam, an open cover, a busy or failing device, a page we cannot
      // read) has SANE cancel the backend's reader thread wherever it is; one stopped holding a lock
      // leaves the helper waiting on it in its next batch. A fresh helper serves the next batch instead
      // (ended before the news goes out, which may start that batch at once).
      if (s->phase == scanwire::Phase::Read || s->phase == scanwire::Phase::Format) StopHelper();
      EndBatch(out.status, out.message);
      return;
    }
    default:
      break;
  }
  FailBatch(QStringLiteral("The scanner helper sent data this program cannot read; scanning was stopped."));
}

// A helper that breaks the conversation cannot be trusted with the next request: it is ended.
void SaneScanner::FailBatch(const QString& why) {
  StopHelper();
  EndBatch(Status::Failed, why + Kept(delivered_));
}

void SaneScanner::OnHelperFinished() {
  if (!scanning_) return;  // an idle helper that went away is started again on the next call
  OnReadyRead();           // what it said before it ended still counts
  if (!scanning_) return;
  const int page = PageInHand();
  StopHelper();
  if (cancelling_) {
    EndBatch(Status::Cancelled, QStringLiteral("Scanning was cancelled.") + Kept(delivered_));
    return;
  }
  EndBatch(Status::HelperDied,
           QStringLiteral("The connection to the scanner broke down while scanning page %1.").arg(page) +
               Kept(delivered_));
}

void SaneScanner::OnSilence() {
  if (!scanning_) return;
  StopHelper();
  if (cancelling_) {
    EndBatch(Status::Cancelled, QStringLiteral("Scanning was cancelled.") + Kept(delivered_));
    return;
  }
  EndBatch(Status::HelperDied,
           QStringLiteral("The scanner stopped answering while scanning page %1; scanning was stopped.")
                   .arg(PageInHand()) + Kept(delivered_));
}

// Between two pages the one being scanned is the next, not the last one that arrived.
int SaneScanner::PageInHand() const { return inPage_ ? page_ : delivered_ + 1; }

void SaneScanner::EndBatch(Status status, const QString& message) {
  silence_.stop();
  scanning_ = false;
  cancelling_ = false;
  inPage_ = false;
  Q_EMIT BatchEnded(status, message);
}

}  // namespace pyxa
