// A private CUPS scheduler for the printing tests: its own cupsd on a free loopback port with its
// configuration, spool and logs in a temporary folder, queues of our test printer that write each
// job to a file, and the job's state and attributes read back. Never touches the machine's cupsd.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <map>
#include <memory>

namespace pyxa::test {

class CupsScheduler {
 public:
  CupsScheduler();
  ~CupsScheduler();
  CupsScheduler(const CupsScheduler&) = delete;
  CupsScheduler& operator=(const CupsScheduler&) = delete;

  // False with the reason when cupsd is missing or did not come up in 10 s.
  bool Start(QString* error);
  // "127.0.0.1:<port>", what CupsPrinterPort takes.
  QString Server() const;
  // A queue of the test printer (with or without duplex) whose file: device writes OutputPath(name).
  bool AddQueue(const QString& name, bool duplex, QString* error);
  // A queue of any PPD; an empty path makes a raw queue, one without a driver.
  bool AddQueueFromPpd(const QString& name, const QString& ppdPath, QString* error);
  bool SetDefault(const QString& name);
  // Whether other computers may print to the queue (printer-is-shared).
  bool SetShared(const QString& name, bool shared);
  bool SetAccepting(const QString& name, bool accepting);
  bool RemoveQueue(const QString& name);
  QString OutputPath(const QString& name) const;
  // True once the job completed; false when it stopped otherwise or the time ran out.
  bool WaitForJob(int jobId, int timeoutMs);
  // Every attribute of the job, as text.
  std::map<QString, QString> JobAttributes(int jobId);

 private:
  bool RunTool(const QString& tool, const QStringList& arguments, QString* error = nullptr);
  bool WriteFiles(QString* error);
  int JobState(int jobId);

  std::unique_ptr<QTemporaryDir> dir_;
  QProcess cupsd_;
  int port_ = 0;
};

}  // namespace pyxa::test
