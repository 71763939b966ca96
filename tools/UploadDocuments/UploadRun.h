// One run of the upload program on one store: takes the run lock, reads the stored upload
// settings, logs in to the clinical service, and hands every document awaiting upload to the
// clinic once, in DocumentID order, recording each outcome in the store.
//
// Crash safety: each document gets an upload key committed before its first attempt, and the
// clinic answers a key it already holds with the document it received then. So a run killed at
// any point leaves each document either awaiting upload (and the next run's attempt is recognised
// if the clinic has it already) or marked with its audit row, never both halves.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "UploadReport.h"
#include "components/ClinicalService.h"
#include "components/ServiceFactory.h"
#include "platform/Clock.h"
#include "platform/Sql.h"

namespace pyxa {

class Session;
class UploadQueue;

// Exit codes of the program.
inline constexpr int kUploadDone = 0;          // nothing awaited upload, or everything went
inline constexpr int kUploadSomeFailed = 1;    // some documents failed or the run had to end early
inline constexpr int kUploadCannotStart = 2;   // no store, no settings, no connection

// The points a run passes for each document, for tests that stop a run there.
inline constexpr char kStepBeforeUpload[] = "before-upload";  // key committed, not yet sent
inline constexpr char kStepAfterUpload[] = "after-upload";    // the clinic has it, not yet marked
inline constexpr char kStepAfterMarking[] = "after-marking";  // marked uploaded with its audit row

using UploadCheckpoint = std::function<void(const char* step, qint64 documentId)>;
// Makes the session object for a service address.
using ServiceMaker = std::function<std::unique_ptr<ClinicalService>(const QString& url)>;

// The program's own: the service factory's object for the address.
ServiceMaker MakeConfiguredService(const Clock& clock, ServiceOptions options = {});

class UploadRun {
 public:
  // The clock must outlive the run.
  UploadRun(const Clock& clock, ServiceMaker makeService, UploadReport& report);

  void SetCheckpoint(UploadCheckpoint checkpoint) { checkpoint_ = std::move(checkpoint); }
  // How long the run waits for the main program to let go of the store.
  void SetBusyTimeout(int milliseconds) { busyTimeoutMs_ = milliseconds; }

  // Runs on the store at storePath and answers the exit code. fallbackUrl is the service
  // address used when the store names none.
  int Run(const QString& storePath, const QString& fallbackUrl = {});

 private:
  int RunLocked(UploadQueue& queue, const QString& fallbackUrl, bool& started);
  int UploadAll(UploadQueue& queue, Session& session);
  QString PatientName(Session& session, qint64 patientId);
  void Checkpoint(const char* step, qint64 documentId) const;

  const Clock& clock_;
  ServiceMaker makeService_;
  UploadReport& report_;
  UploadCheckpoint checkpoint_;
  int busyTimeoutMs_ = SqlConnection::kDefaultBusyMs;
};

}  // namespace pyxa
