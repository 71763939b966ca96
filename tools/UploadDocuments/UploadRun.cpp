#include "UploadRun.h"

#include <QFileInfo>
#include <utility>

#include "UploadLock.h"
#include "UploadQueue.h"
#include "components/ServiceFactory.h"
#include "shell/Session.h"

namespace pyxa {
namespace {

// After these the next document would fail the same way: the run ends and the rest wait.
bool EndsRun(const QString& description) {
  return IsConnectionError(description) || IsSessionTimeout(description) ||
         description.contains(kWrongLoginOrPassword);
}

QString StoreErrorText(const SqlError& error, const QString& path) {
  if (error.IsBusy()) {
    return QStringLiteral("The document store '%1' is in use by another program and stayed busy; "
                          "the documents not yet uploaded wait for the next run.")
        .arg(path);
  }
  return QStringLiteral("The document store '%1' cannot be used: %2").arg(path, error.Message());
}

}  // namespace

ServiceMaker MakeConfiguredService(const Clock& clock, ServiceOptions options) {
  return [&clock, options](const QString& url) { return ServiceFactory(url, clock, options).Create(); };
}

UploadRun::UploadRun(const Clock& clock, ServiceMaker makeService, UploadReport& report)
    : clock_(clock), makeService_(std::move(makeService)), report_(report) {}

void UploadRun::Checkpoint(const char* step, qint64 documentId) const {
  if (checkpoint_) checkpoint_(step, documentId);
}

int UploadRun::Run(const QString& storePath, const QString& fallbackUrl) {
  if (!QFileInfo(storePath).isFile()) {
    report_.Line(QStringLiteral("The document store '%1' does not exist.").arg(storePath), true);
    return kUploadCannotStart;
  }
  UploadLock lock(storePath);
  switch (lock.TryAcquire()) {
    case UploadLock::Result::Acquired:
      break;
    case UploadLock::Result::HeldElsewhere:
      report_.Line(QStringLiteral("Another upload of '%1' is running; this one ends.").arg(storePath), false);
      return kUploadDone;
    case UploadLock::Result::Failed:
      report_.Line(QStringLiteral("The upload cannot start: %1.").arg(lock.ErrorText()), true);
      return kUploadCannotStart;
  }

  UploadQueue queue(storePath, busyTimeoutMs_);
  bool started = false;
  try {
    return RunLocked(queue, fallbackUrl, started);
  } catch (const SqlError& error) {
    report_.Line(StoreErrorText(error, storePath), true);
  } catch (const std::exception& error) {
    report_.Line(QStringLiteral("The upload failed: %1").arg(QString::fromLocal8Bit(error.what())), true);
  }
  return started ? kUploadSomeFailed : kUploadCannotStart;
}

int UploadRun::RunLocked(UploadQueue& queue, const QString& fallbackUrl, bool& started) {
  switch (queue.Open()) {
    case UploadQueue::OpenResult::Opened:
      break;
    case UploadQueue::OpenResult::NotAStore:
      report_.Line(QStringLiteral("'%1' is not a document store or is damaged.").arg(queue.Path()), true);
      return kUploadCannotStart;
    case UploadQueue::OpenResult::WrongPassword:
      report_.Line(QStringLiteral("The document store '%1' does not take the program's password.").arg(queue.Path()),
                   true);
      return kUploadCannotStart;
  }
  // A scheduled run with nothing to do does not log in.
  if (!queue.AnyAwaiting()) {
    report_.Line(QStringLiteral("No documents await upload."), false);
    return kUploadDone;
  }
  const auto settings = queue.ReadSettings();
  if (!settings || settings->account.isEmpty()) {
    report_.Line(QStringLiteral("No upload account is stored in '%1'.").arg(queue.Path()), true);
    return kUploadCannotStart;
  }
  const QString url = settings->url.isEmpty() ? fallbackUrl : settings->url;
  Session session;
  session.SetCredentials(settings->account, settings->password, url);
  try {
    session.Replace(makeService_(url));
    ConnectWebService(*session.Integration(), settings->account, settings->password, url);
  } catch (const ServiceError& error) {
    report_.Line(QStringLiteral("Cannot log in to the clinical service: %1").arg(error.Description()), true);
    return kUploadCannotStart;
  }
  started = true;
  return UploadAll(queue, session);
}

int UploadRun::UploadAll(UploadQueue& queue, Session& session) {
  int uploaded = 0;
  int failed = 0;
  // Each document is tried once per run; documents queued while the run goes are taken too.
  for (qint64 last = 0;;) {
    const std::optional<qint64> next = queue.NextAwaiting(last);
    if (!next) break;
    last = *next;
    const std::optional<QString> key = queue.UploadKeyFor(last);
    if (!key) continue;
    Checkpoint(kStepBeforeUpload, last);
    const std::optional<Document> document = queue.LoadAwaiting(last);
    if (!document) continue;

    qint64 received = 0;
    try {
      received = session.Call([&](ClinicalService& service) { return service.UploadDocument(*document, *key); });
    } catch (const ServiceError& error) {
      ++failed;
      const bool ends = EndsRun(error.Description());
      const QString name = ends ? QString() : PatientName(session, document->PatientID);
      queue.RecordFailure(*document, name, error.Description(), clock_.Now());
      report_.Line(QStringLiteral("Document %1 was not uploaded: %2").arg(last).arg(error.Description()), true);
      if (ends) {
        report_.Line(QStringLiteral("The clinical service cannot be used; the documents not yet uploaded wait for the "
                                    "next run."),
                     true);
        break;
      }
      continue;
    }
    Checkpoint(kStepAfterUpload, last);
    const QString name = PatientName(session, document->PatientID);
    if (queue.MarkUploaded(*document, name, clock_.Now())) {
      ++uploaded;
      report_.Line(QStringLiteral("Document %1 uploaded (clinic document %2).").arg(last).arg(received), false);
    } else {
      report_.Line(QStringLiteral("Document %1 was marked uploaded by another run meanwhile.").arg(last), false);
    }
    Checkpoint(kStepAfterMarking, last);
  }
  report_.Line(QStringLiteral("%1 document(s) uploaded, %2 failed.").arg(uploaded).arg(failed), failed > 0);
  return failed > 0 ? kUploadSomeFailed : kUploadDone;
}

QString UploadRun::PatientName(Session& session, qint64 patientId) {
  try {
    QStringList names;
    ValuesTable values;
    session.Call([&](ClinicalService& service) { service.GetPatientNameByID(patientId, names, values); });
    if (RowCount(values) == 0) return {};
    return FieldText(names, values, 0, QStringLiteral("szLast")) + QStringLiteral(", ") +
           FieldText(names, values, 0, QStringLiteral("szFirst"));
  } catch (const ServiceError&) {
    return {};  // the audit row goes without the name rather than not at all
  }
}

}  // namespace pyxa
