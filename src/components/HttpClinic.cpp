#include "components/HttpClinic.h"

#include <QHttpMultiPart>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QTimer>
#include <utility>

#include "components/ClinicWire.h"

namespace pyxa {
namespace {

const QString kNoSession = QStringLiteral("Your session timed out or you have not logged in yet. Please log in.");

ServiceError Unreachable(const QString& where, const QString& why) {
  return ServiceError(kClinicErrorConnect, QStringLiteral("Unable to connect to the clinic at %1: %2").arg(where, why));
}

QString SslReasons(const QList<QSslError>& errors) {
  QStringList reasons;
  for (const QSslError& error : errors) {
    if (!reasons.contains(error.errorString())) reasons << error.errorString();
  }
  return reasons.join(QStringLiteral("; "));
}

// An answer whose form is not the clinic's.
ServiceError Unreadable(const QString& where, const wire::WireError& error) {
  return ServiceError(kClinicErrorAnswer, QStringLiteral("The request failed: the answer of the clinic at %1 cannot be "
                                                         "read: %2.")
                                              .arg(where, QString::fromUtf8(error.what())));
}

// Reads the fields of an answer: a field not in the clinic's form is a failed request, not a crash.
template <typename Read>
void ReadAnswer(const QString& where, Read read) {
  try {
    read();
  } catch (const wire::WireError& unreadable) {
    throw Unreadable(where, unreadable);
  }
}

}  // namespace

HttpClinic::HttpClinic(QString defaultUrl, HttpClinicOptions options)
    : defaultUrl_(std::move(defaultUrl)), options_(std::move(options)) {}

HttpClinic::~HttpClinic() = default;

void HttpClinic::Forget() {
  base_ = QUrl();
  url_.clear();
  token_.clear();
  userId_ = officeId_ = enterpriseId_ = 0;
  canUpload_ = canReview_ = false;
  clinicTimeout_ = 0;
}

qint32 HttpClinic::Timeout() const {
  if (options_.timeoutSeconds > 0) return options_.timeoutSeconds;
  return clinicTimeout_ > 0 ? clinicTimeout_ : kDefaultServiceTimeoutSeconds;
}

QString HttpClinic::URL() const { return url_.isEmpty() ? defaultUrl_ : url_; }

QString HttpClinic::Where() const {
  const int port = base_.port(base_.scheme() == QStringLiteral("http") ? 80 : 443);
  return base_.host() + QLatin1Char(':') + QString::number(port);
}

void HttpClinic::Connect(const QString& login, const QString& password) { Connect(login, password, defaultUrl_); }

void HttpClinic::Connect(const QString& login, const QString& password, const QString& url) {
  // A failed attempt leaves the object logged out, whatever it held before.
  Forget();
  const QString address = url.trimmed();
  QUrl base(address, QUrl::StrictMode);
  const QString scheme = base.scheme().toLower();
  if (address.isEmpty() || !base.isValid() || base.host().isEmpty() ||
      (scheme != QStringLiteral("https") && scheme != QStringLiteral("http"))) {
    throw ServiceError(kClinicErrorConnect,
                       QStringLiteral("Unable to connect: \"%1\" is not the address of a clinic server.").arg(address));
  }
  if (scheme == QStringLiteral("http") && !options_.allowPlainHttp) {
    throw ServiceError(kClinicErrorConnect,
                       QStringLiteral("Unable to connect: \"%1\" is not secure (https), and an insecure connection "
                                      "has not been accepted on this computer.")
                           .arg(address));
  }
  if (!base.path().endsWith(QLatin1Char('/'))) base.setPath(base.path() + QLatin1Char('/'));
  base.setQuery(QString());
  base.setFragment(QString());

  ssl_ = QSslConfiguration::defaultConfiguration();
  ssl_.setProtocol(QSsl::TlsV1_2OrLater);
  if (!options_.caFile.trimmed().isEmpty()) {
    const auto trusted = QSslCertificate::fromPath(options_.caFile.trimmed(), QSsl::Pem);
    if (trusted.isEmpty()) {
      throw ServiceError(kClinicErrorConnect,
                         QStringLiteral("Unable to connect: the certificate file \"%1\" named in the settings cannot "
                                        "be read or holds no certificate.")
                             .arg(options_.caFile.trimmed()));
    }
    ssl_.addCaCertificates(trusted);
  }
  base_ = base;

  QJsonObject arguments;
  arguments.insert(QStringLiteral("login"), login);
  arguments.insert(QStringLiteral("password"), password);
  try {
    const QJsonObject reply = Exchange(wire::kConnect, wire::ToBody(arguments), nullptr, false);
    wire::Login answer;
    ReadAnswer(Where(), [&] { answer = wire::LoginFromJson(reply); });
    url_ = address;
    token_ = answer.token.toUtf8();
    userId_ = answer.userId;
    officeId_ = answer.officeId;
    enterpriseId_ = answer.enterpriseId;
    canUpload_ = answer.canUploadRpts;
    canReview_ = answer.canReviewRpts;
    clinicTimeout_ = answer.timeout;
  } catch (...) {
    Forget();
    throw;
  }
}

QJsonObject HttpClinic::Exchange(const QString& member, const QByteArray& body, QHttpMultiPart* multipart,
                                 bool withToken) {
  std::unique_ptr<QHttpMultiPart> ownedParts(multipart);
  if (!manager_) manager_ = std::make_unique<QNetworkAccessManager>();
  QNetworkRequest request(base_.resolved(QUrl(wire::kApiPath + member)));
  request.setSslConfiguration(ssl_);
  // An answer elsewhere is not the clinic's: redirects are reported, never followed.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
  request.setRawHeader("Accept", "application/json");
  if (withToken) request.setRawHeader("Authorization", QByteArray(wire::kBearer) + token_);
  QNetworkReply* sent = nullptr;
  if (ownedParts) {
    sent = manager_->post(request, ownedParts.get());
    ownedParts.release()->setParent(sent);
  } else {
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    sent = manager_->post(request, body);
  }
  const std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(sent, [](QNetworkReply* r) {
    r->disconnect();
    r->abort();
    r->deleteLater();
  });

  QEventLoop loop;
  QByteArray answer;
  bool timedOut = false;
  bool tooLarge = false;
  QList<QSslError> sslErrors;
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  // Certificate faults are kept for the message and never ignored: the connection then fails.
  QObject::connect(reply.get(), &QNetworkReply::sslErrors, &loop,
                   [&sslErrors](const QList<QSslError>& errors) { sslErrors = errors; });
  // The answer is read as it comes so that an endless one is cut off instead of filling memory.
  const auto tooBig = [&] {
    tooLarge = true;
    reply->abort();
  };
  QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > wire::kMaxAnswerBytes) tooBig();
  });
  QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
    answer += reply->readAll();
    if (answer.size() > wire::kMaxAnswerBytes) tooBig();
  });
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
    timedOut = true;
    reply->abort();
  });
  deadline.start(Timeout() * 1000);
  const bool waited = options_.waiter ? options_.waiter->Wait(loop, [&] { return reply->isFinished(); })
                                      : (loop.exec(), true);
  deadline.stop();
  if (!waited && !reply->isFinished()) {
    throw ServiceError(kClinicErrorGivenUp,
                       QStringLiteral("You stopped waiting for the clinic's answer; what it did with the request "
                                      "is not known. Please check before trying again."));
  }
  if (!tooLarge && !timedOut) answer += reply->readAll();

  if (timedOut) {
    throw ServiceError(kClinicErrorTimedOut, QStringLiteral("The request failed: the clinic at %1 did not answer "
                                                            "within %2 seconds.")
                                                 .arg(Where())
                                                 .arg(Timeout()));
  }
  if (tooLarge) {
    throw ServiceError(kClinicErrorAnswer,
                       QStringLiteral("The request failed: the answer of the clinic at %1 is larger than %2 MB.")
                           .arg(Where())
                           .arg(wire::kMaxAnswerBytes >> 20));
  }
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const QNetworkReply::NetworkError error = reply->error();
  if (status == 0) {
    switch (error) {
      case QNetworkReply::ConnectionRefusedError:
        throw Unreachable(Where(), QStringLiteral("the connection was refused. Is the clinic server running?"));
      case QNetworkReply::HostNotFoundError:
        throw Unreachable(Where(), QStringLiteral("the host \"%1\" was not found.").arg(base_.host()));
      case QNetworkReply::SslHandshakeFailedError:
        throw Unreachable(Where(), QStringLiteral("its certificate is not trusted (%1).")
                                       .arg(sslErrors.isEmpty() ? reply->errorString() : SslReasons(sslErrors)));
      case QNetworkReply::RemoteHostClosedError:
        throw ServiceError(kClinicErrorConnect,
                           QStringLiteral("The connection was closed by the clinic at %1 before it answered.")
                               .arg(Where()));
      default:
        throw Unreachable(Where(), reply->errorString() + QLatin1Char('.'));
    }
  }
  // A clinic's own error comes as its error object whatever the status.
  if (auto serviceError = wire::ErrorFromBody(answer)) throw *serviceError;
  if (error == QNetworkReply::RemoteHostClosedError || error == QNetworkReply::UnknownNetworkError ||
      error == QNetworkReply::ProtocolFailure) {
    throw ServiceError(kClinicErrorConnect,
                       QStringLiteral("The connection was closed by the clinic at %1 before its answer was complete.")
                           .arg(Where()));
  }
  if (status != 200) {
    const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    throw ServiceError(kClinicErrorAnswer, QStringLiteral("The request failed: the clinic at %1 answered HTTP %2%3.")
                                               .arg(Where())
                                               .arg(status)
                                               .arg(reason.isEmpty() ? QString() : QLatin1Char(' ') + reason));
  }
  QJsonObject object;
  ReadAnswer(Where(), [&] { object = wire::ObjectFromBody(answer); });
  return object;
}

QJsonObject HttpClinic::Call(const QString& member, const QByteArray& body, QHttpMultiPart* multipart) {
  std::unique_ptr<QHttpMultiPart> ownedParts(multipart);
  if (token_.isEmpty()) throw ServiceError(kClinicErrorSession, kNoSession);
  try {
    return Exchange(member, body, ownedParts.release(), true);
  } catch (const ServiceError& error) {
    if (error.Number() == kClinicErrorSession) token_.clear();
    throw;
  }
}

QJsonObject HttpClinic::Call(const QString& member, const QJsonObject& arguments) {
  return Call(member, wire::ToBody(arguments));
}

void HttpClinic::List(const QString& member, const QJsonObject& arguments, QStringList& names, ValuesTable& values) {
  const QJsonObject answer = Call(member, arguments);
  ReadAnswer(Where(), [&] { wire::ListFromJson(answer, names, values); });
}

void HttpClinic::SetTimeOffset(const QString& login) {
  QJsonObject arguments;
  arguments.insert(QStringLiteral("login"), login);
  Call(QStringLiteral("SetTimeOffset"), arguments);
}

QDateTime HttpClinic::GetServerTime() {
  const QJsonObject answer = Call(QStringLiteral("GetServerTime"), QJsonObject());
  const QDateTime time = QDateTime::fromString(answer.value(QStringLiteral("serverTime")).toString(), Qt::ISODateWithMs);
  if (!time.isValid()) {
    throw ServiceError(kClinicErrorAnswer,
                       QStringLiteral("The request failed: the clinic at %1 sent no time.").arg(Where()));
  }
  return time.toLocalTime();
}

void HttpClinic::GetCategories(QStringList& labNames, ValuesTable& labs, QStringList& physicianNames,
                               ValuesTable& physicians, QStringList& labTypeNames, ValuesTable& labTypes,
                               ValuesTable& categories) {
  const QJsonObject answer = Call(QStringLiteral("GetCategories"), QJsonObject());
  ReadAnswer(Where(), [&] {
    QStringList read[4];
    ValuesTable tables[4];
    const QString keys[4] = {QStringLiteral("laboratories"), QStringLiteral("physicians"),
                             QStringLiteral("labReportTypes"), QStringLiteral("categories")};
    for (int i = 0; i < 4; ++i) wire::ListFromJson(answer.value(keys[i]).toObject(), read[i], tables[i]);
    labNames = read[0];
    labs = std::move(tables[0]);
    physicianNames = read[1];
    physicians = std::move(tables[1]);
    labTypeNames = read[2];
    labTypes = std::move(tables[2]);
    categories = std::move(tables[3]);
  });
}

void HttpClinic::GetUsersCountry(qint64 userId, QStringList& names, ValuesTable& values) {
  List(QStringLiteral("GetUsersCountry"), {{QStringLiteral("userId"), wire::IdToJson(userId)}}, names, values);
}

void HttpClinic::GetDITypes(qint64 officeId, QStringList& names, ValuesTable& values) {
  List(QStringLiteral("GetDITypes"), {{QStringLiteral("officeId"), wire::IdToJson(officeId)}}, names, values);
}

void HttpClinic::GetCorrespondenceTypes(qint64 physicianId, QStringList& names, ValuesTable& values) {
  List(QStringLiteral("GetCorrespondenceTypes"), {{QStringLiteral("physicianId"), wire::IdToJson(physicianId)}}, names,
       values);
}

void HttpClinic::GetVisitTypes(qint64 physicianId, QStringList& names, ValuesTable& values) {
  List(QStringLiteral("GetVisitTypes"), {{QStringLiteral("physicianId"), wire::IdToJson(physicianId)}}, names, values);
}

void HttpClinic::FindPatient(const QString& firstName, const QString& lastName, const QString& chart,
                             const QString& areaCode, const QString& phone1, const QString& phone2, const QString& hcn,
                             QString& dateOfBirth, QStringList& names, ValuesTable& values) {
  const QJsonObject arguments{{QStringLiteral("firstName"), firstName}, {QStringLiteral("lastName"), lastName},
                              {QStringLiteral("chart"), chart},         {QStringLiteral("areaCode"), areaCode},
                              {QStringLiteral("phone1"), phone1},       {QStringLiteral("phone2"), phone2},
                              {QStringLiteral("hcn"), hcn},             {QStringLiteral("dateOfBirth"), dateOfBirth}};
  const QJsonObject answer = Call(QStringLiteral("FindPatient"), arguments);
  ReadAnswer(Where(), [&] {
    wire::ListFromJson(answer, names, values);
    dateOfBirth = wire::TextField(answer, QStringLiteral("dateOfBirth"));
  });
}

void HttpClinic::GetPatientNameByID(qint64 patientId, QStringList& names, ValuesTable& values) {
  List(QStringLiteral("GetPatientNameByID"), {{QStringLiteral("patientId"), wire::IdToJson(patientId)}}, names, values);
}

void HttpClinic::GetUserNameByID(qint64 userId, QStringList& names, ValuesTable& values) {
  List(QStringLiteral("GetUserNameByID"), {{QStringLiteral("userId"), wire::IdToJson(userId)}}, names, values);
}

void HttpClinic::GetPhysicianInfo(qint64 physicianId, QStringList& names, ValuesTable& values) {
  List(QStringLiteral("GetPhysicianInfo"), {{QStringLiteral("physicianId"), wire::IdToJson(physicianId)}}, names, values);
}

void HttpClinic::GetUnsignedEncounters(qint64 physicianId, qint64 patientId, qint64 userId, QStringList& names,
                                       ValuesTable& values) {
  List(QStringLiteral("GetUnsignedEncounters"),
       {{QStringLiteral("physicianId"), wire::IdToJson(physicianId)},
        {QStringLiteral("patientId"), wire::IdToJson(patientId)},
        {QStringLiteral("userId"), wire::IdToJson(userId)}},
       names, values);
}

void HttpClinic::CreateEncounter(qint64 physicianId, qint64 patientId, QString& encounterDate, QStringList& names,
                                 ValuesTable& values) {
  const QJsonObject answer = Call(QStringLiteral("CreateEncounter"),
                                  {{QStringLiteral("physicianId"), wire::IdToJson(physicianId)},
                                   {QStringLiteral("patientId"), wire::IdToJson(patientId)},
                                   {QStringLiteral("encounterDate"), encounterDate}});
  ReadAnswer(Where(), [&] {
    wire::ListFromJson(answer, names, values);
    encounterDate = wire::TextField(answer, QStringLiteral("encounterDate"));
  });
}

void HttpClinic::LockEncounter(qint64 userId, const QString& noteKind, qint64& encounterId, qint64& patientId,
                               qint64 enterpriseId, qint64 officeId) {
  const QJsonObject answer = Call(QStringLiteral("LockEncounter"), {{QStringLiteral("userId"), wire::IdToJson(userId)},
                                                                    {QStringLiteral("noteKind"), noteKind},
                                                                    {QStringLiteral("encounterId"), wire::IdToJson(encounterId)},
                                                                    {QStringLiteral("patientId"), wire::IdToJson(patientId)},
                                                                    {QStringLiteral("enterpriseId"), wire::IdToJson(enterpriseId)},
                                                                    {QStringLiteral("officeId"), wire::IdToJson(officeId)}});
  ReadAnswer(Where(), [&] {
    const qint64 lockedEncounter = wire::IntField(answer, QStringLiteral("encounterId"));
    const qint64 lockedPatient = wire::IntField(answer, QStringLiteral("patientId"));
    encounterId = lockedEncounter;
    patientId = lockedPatient;
  });
}

void HttpClinic::UnLockEncounter(qint64 userId, const QString& noteKind, qint64 encounterId) {
  Call(QStringLiteral("UnLockEncounter"), {{QStringLiteral("userId"), wire::IdToJson(userId)},
                                           {QStringLiteral("noteKind"), noteKind},
                                           {QStringLiteral("encounterId"), wire::IdToJson(encounterId)}});
}

qint64 HttpClinic::UploadDocument(const Document& document, const QString& uploadKey) {
  auto parts = std::make_unique<QHttpMultiPart>(QHttpMultiPart::FormDataType);
  QHttpPart fields;
  fields.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
  fields.setHeader(QNetworkRequest::ContentDispositionHeader,
                   QStringLiteral("form-data; name=\"%1\"").arg(QLatin1String(wire::kDocumentPart)));
  fields.setBody(wire::ToBody(wire::DocumentToJson(document, uploadKey)));
  QHttpPart file;
  file.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/octet-stream"));
  file.setHeader(QNetworkRequest::ContentDispositionHeader,
                 QStringLiteral("form-data; name=\"%1\"; filename=\"document\"").arg(QLatin1String(wire::kFilePart)));
  file.setBody(document.FileData);
  parts->append(fields);
  parts->append(file);
  const QJsonObject answer = Call(wire::kUploadDocument, QByteArray(), parts.release());
  qint64 id = 0;
  ReadAnswer(Where(), [&] { id = wire::IntField(answer, QStringLiteral("documentId")); });
  return id;
}

}  // namespace pyxa
