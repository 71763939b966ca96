#include "ClinicAnswers.h"

#include <QJsonObject>

#include "components/ClinicErrors.h"
#include "components/ClinicWire.h"

namespace pyxa {

ClinicAnswers::ClinicAnswers(QString clinicUrl, const Clock& clock, std::function<void(const QString&)> log)
    : clinicUrl_(std::move(clinicUrl)), clock_(clock), log_(std::move(log)), sessions_(clock), throttle_(clock) {}

ClinicAnswer ClinicAnswers::Answer(const ClinicCall& call) {
  ClinicAnswer answer;
  try {
    answer.body = call.member == wire::kConnect ? Connect(call, answer) : Member(call, answer);
    answer.status = 200;
  } catch (const ServiceError& error) {
    answer.status = wire::HttpStatusFor(error.Number());
    answer.body = wire::ErrorBody(error);
  } catch (const wire::WireError& error) {
    answer.status = 400;
    answer.body = wire::ErrorBody(ServiceError(
        kClinicErrorRequest, QStringLiteral("The request could not be read: %1").arg(QString::fromUtf8(error.what()))));
  } catch (const std::exception& error) {
    answer.status = 500;
    const QString description = QStringLiteral("The clinic server failed: %1").arg(QString::fromUtf8(error.what()));
    answer.body = wire::ErrorBody(ServiceError(kClinicErrorServer, description));
    if (log_) log_(QStringLiteral("%1 failed: %2").arg(call.member, description));
  }
  return answer;
}

QByteArray ClinicAnswers::Connect(const ClinicCall& call, ClinicAnswer& answer) {
  const QJsonObject arguments = wire::ObjectFromBody(call.body);
  const QString login = wire::TextField(arguments, QStringLiteral("login"));
  const QString password = wire::TextField(arguments, QStringLiteral("password"));
  throttle_.Admit(login, call.address);

  auto clinic = std::make_unique<LocalClinic>(clinicUrl_, clock_);
  try {
    clinic->Connect(login, password, clinicUrl_);
  } catch (const ServiceError& error) {
    if (error.Number() == kClinicErrorLogin) throttle_.Failed(login, call.address);
    throw;
  }
  throttle_.Succeeded(login, call.address);

  wire::Login result;
  result.userId = clinic->UserID();
  result.officeId = clinic->OfficeID();
  result.enterpriseId = clinic->EnterpriseID();
  result.canUploadRpts = clinic->CanUploadRpts();
  result.canReviewRpts = clinic->CanReviewRpts();
  result.timeout = clinic->Timeout();
  answer.userId = result.userId;
  result.token = sessions_.Add(std::move(clinic));
  return wire::ToBody(wire::LoginToJson(result));
}

QByteArray ClinicAnswers::Member(const ClinicCall& call, ClinicAnswer& answer) {
  const auto session = sessions_.Find(call.token);
  if (!session) throw ServiceError(kClinicErrorSession, kNoSession);
  const std::lock_guard lock(session->mutex);
  LocalClinic& clinic = *session->clinic;
  answer.userId = clinic.UserID();
  const std::lock_guard inTurn(clinicFile_);
  try {
    if (call.member != wire::kUploadDocument) {
      return wire::ToBody(wire::Serve(clinic, call.member, wire::ObjectFromBody(call.body)));
    }
    // The upload right decides who may start an upload at once, not whose queued documents go: the
    // scheduled upload runs with the account that stored them, whatever its rights, as the embedded
    // clinic does.
    if (!call.documentPart) throw wire::WireError("the upload has no \"document\" part");
    if (!call.filePart) throw wire::WireError("the upload has no \"file\" part");
    QString uploadKey;
    Document document = wire::DocumentFromJson(wire::ObjectFromBody(*call.documentPart), uploadKey);
    document.FileData = *call.filePart;
    QJsonObject result;
    const qint64 id = clinic.UploadDocument(document, uploadKey);
    result.insert(QStringLiteral("documentId"), wire::IdToJson(id));
    return wire::ToBody(result);
  } catch (const ServiceError& error) {
    // The clinic has ended this session: its token must not keep a dead session alive.
    if (error.Number() == kClinicErrorSession) sessions_.Drop(call.token);
    throw;
  }
}

}  // namespace pyxa
