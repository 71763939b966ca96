// One scanned batch from start to end: reserves the batch file's name, starts the scanner, appends
// every page to the batch as it arrives and says what the window shows: the batch after each page,
// the too-big warning once, progress, and one ending with a message in the program's words. Every
// page that arrived stays in the batch, whatever ends it.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "scan/BatchWriter.h"
#include "scan/ScannerSource.h"

namespace pyxa {

class Clock;

class ScanSession : public QObject {
  Q_OBJECT

 public:
  ScanSession(ScannerSource& source, const Clock& clock, QString batchFolder, QObject* parent = nullptr);
  ~ScanSession() override;

  // Reserves the batch name and starts the batch. False, with Message() saying why, when it cannot
  // start; Finished is not signalled then.
  bool Start(const QString& device, const QList<OptionSetting>& settings);
  // Stops the scanner; the pages already in the batch stay. Finished follows.
  void Cancel();

  bool Running() const { return running_; }
  // The batch file once it holds a page; "" before.
  QString BatchPath() const;
  int Pages() const;
  const QString& Message() const { return message_; }

 Q_SIGNALS:
  // The batch on disk now holds pages pages; the main window takes path as its scanned batch.
  void PageAdded(const QString& path, int pages);
  void PageProgress(int page, double fraction);
  // The too-big page warning, at most once per batch; the page stays in the batch.
  void Warning(const QString& title, const QString& text);
  // The batch ended. ok is false when something failed; message (possibly empty, as after the
  // user's own cancel) is for the user.
  void Finished(bool ok, const QString& message);

 private:
  void OnPage(const ScannedPage& page);
  void OnEnded(ScannerSource::Status status, const QString& message);

  ScannerSource& source_;
  const Clock& clock_;
  QString folder_;
  std::unique_ptr<BatchWriter> writer_;
  bool running_ = false;
  bool userCancelled_ = false;
  QString failure_;  // a batch write that failed ends the batch with this
  QString message_;
};

// The program's words for how a batch ended, for statuses that need any.
QString ScanEndText(ScannerSource::Status status, const QString& sourceMessage, int pagesKept);

}  // namespace pyxa
