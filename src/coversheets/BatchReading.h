// Reads the sheets of a scanned or received TIFF batch: every page through the sheet finder, the
// kinds the settings leave out read as ordinary pages. SheetReader does it on a thread of its own
// at idle priority, so that the page on screen and the clerk's typing never wait for it.
#pragma once

#include "coversheets/SheetFinder.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <vector>

class QThread;

namespace pyxa {

struct SheetKinds {
  bool covers = true;
  bool separators = true;  // our separator sheets
  bool patches = true;     // patch T sheets
};

struct BatchReading {
  QString file;
  QByteArray digest;  // the file's as read; empty when it could not be read
  std::vector<SheetFinding> findings;  // one for each page
  QString failure;  // why the file could not be read; empty when it was
  bool cancelled = false;
};

// Reads the file's pages in order; stops early, cancelled, once cancel is set.
BatchReading ReadBatchSheets(const QString& file, const SheetKinds& kinds, const std::atomic_bool& cancel);

class SheetReader : public QObject {
  Q_OBJECT

 public:
  explicit SheetReader(QObject* parent = nullptr);
  ~SheetReader() override;  // cancels and waits for the reading under way

  // Starts reading the file, cancelling the reading under way (whose result is never delivered).
  void Start(const QString& file, const SheetKinds& kinds);
  void Cancel();
  bool Busy() const { return thread_ != nullptr; }

 Q_SIGNALS:
  void Finished(const pyxa::BatchReading& reading);

 private:
  void Stop();

  QThread* thread_ = nullptr;
  std::shared_ptr<std::atomic_bool> cancel_;
  quint64 generation_ = 0;
};

}  // namespace pyxa
