// The clinic's form on the network, in one place for the HTTPS client and the clinic server so
// that the two cannot drift apart: each member is a POST to "api/1/<member>" whose JSON object
// carries the arguments; the answer is a JSON object of the results, or an error object with the
// number and description the member raised. docs/clinic-api.md describes it for other readers.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>

#include "components/ClinicalService.h"

namespace pyxa::wire {

inline const QString kApiPath = QStringLiteral("api/1/");
inline const QString kConnect = QStringLiteral("Connect");
inline const QString kUploadDocument = QStringLiteral("UploadDocument");
// The session token of a member other than Connect travels as "Authorization: Bearer <token>".
inline constexpr char kBearer[] = "Bearer ";
// Parts of an upload's multipart/form-data body: the document's fields as JSON, and its file.
inline constexpr char kDocumentPart[] = "document";
inline constexpr char kFilePart[] = "file";

// Largest bodies either side takes: a member's arguments, an upload, an answer.
inline constexpr qint64 kMaxCallBytes = qint64{1} << 20;
inline constexpr qint64 kMaxUploadBytes = qint64{256} << 20;
inline constexpr qint64 kMaxAnswerBytes = qint64{64} << 20;

// An answer or request that is not in the clinic's form; its text says what is wrong.
class WireError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every member the server answers, Connect and UploadDocument included.
const QStringList& Members();

// Lists: {"names": [...], "values": [[...], ...] or null for "not an array"}.
QJsonObject ListToJson(const QStringList& names, const ValuesTable& values);
void ListFromJson(const QJsonObject& list, QStringList& names, ValuesTable& values);  // throws WireError

// Errors: {"error": {"number": n, "description": "..."}}, and the HTTP status that goes with one.
QByteArray ErrorBody(const ServiceError& error);
std::optional<ServiceError> ErrorFromBody(const QByteArray& body);
int HttpStatusFor(qint32 errorNumber);

// An upload's document without its file data, pages and page text (which never leaves the
// workstation), with the upload key.
QJsonObject DocumentToJson(const Document& document, const QString& uploadKey);
Document DocumentFromJson(const QJsonObject& fields, QString& uploadKey);  // throws WireError

// The results of Connect: the logged-in user's identifiers, rights and the clinic's time-out.
struct Login {
  QString token;
  qint64 userId = 0, officeId = 0, enterpriseId = 0;
  bool canUploadRpts = false, canReviewRpts = false;
  qint32 timeout = 0;
};
QJsonObject LoginToJson(const Login& login);
Login LoginFromJson(const QJsonObject& answer);  // throws WireError

// The server's side of one member other than Connect and UploadDocument: reads the arguments,
// calls the member on the session's clinic and answers its results. The user arguments of the
// encounter members are the session's own user, whatever the request says, so that one user can
// neither take nor release another's reservation. Throws ServiceError as the member does, and
// WireError for arguments that are missing or of the wrong kind.
QJsonObject Serve(ClinicalService& clinic, const QString& member, const QJsonObject& arguments);

// Identifiers and the fields of an answer or arguments object; the readers throw WireError when
// the field is missing or of another kind.
QJsonValue IdToJson(qint64 id);
qint64 IntField(const QJsonObject& object, const QString& key);
QString TextField(const QJsonObject& object, const QString& key);

QByteArray ToBody(const QJsonObject& object);
QJsonObject ObjectFromBody(const QByteArray& body);  // throws WireError

}  // namespace pyxa::wire
