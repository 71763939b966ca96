#include "components/ServiceFactory.h"

#include <QUrl>
#include <utility>

#include "components/LocalClinic.h"

namespace pyxa {
namespace {

// Stands in for a web service this build cannot talk to: every call fails as a connection error,
// so the login window reports it in the usual way.
class UnreachableService final : public ClinicalService {
 public:
  explicit UnreachableService(QString url) : url_(std::move(url)) {}

  void Connect(const QString&, const QString&) override { Fail(); }
  void Connect(const QString&, const QString&, const QString&) override { Fail(); }
  QString URL() const override { return url_; }
  void SetTimeOffset(const QString&) override { Fail(); }
  QDateTime GetServerTime() override { Fail(); }
  qint64 UserID() const override { return 0; }
  qint64 OfficeID() const override { return 0; }
  qint64 EnterpriseID() const override { return 0; }
  bool CanUploadRpts() const override { return false; }
  bool CanReviewRpts() const override { return false; }
  qint32 Timeout() const override { return 0; }
  void GetCategories(QStringList&, ValuesTable&, QStringList&, ValuesTable&, QStringList&, ValuesTable&,
                     ValuesTable&) override {
    Fail();
  }
  void GetUsersCountry(qint64, QStringList&, ValuesTable&) override { Fail(); }
  void GetDITypes(qint64, QStringList&, ValuesTable&) override { Fail(); }
  void GetCorrespondenceTypes(qint64, QStringList&, ValuesTable&) override { Fail(); }
  void GetVisitTypes(qint64, QStringList&, ValuesTable&) override { Fail(); }
  void FindPatient(const QString&, const QString&, const QString&, const QString&, const QString&, const QString&,
                   const QString&, QString&, QStringList&, ValuesTable&) override {
    Fail();
  }
  void GetPatientNameByID(qint64, QStringList&, ValuesTable&) override { Fail(); }
  void GetUserNameByID(qint64, QStringList&, ValuesTable&) override { Fail(); }
  void GetPhysicianInfo(qint64, QStringList&, ValuesTable&) override { Fail(); }
  void GetUnsignedEncounters(qint64, qint64, qint64, QStringList&, ValuesTable&) override { Fail(); }
  void CreateEncounter(qint64, qint64, QString&, QStringList&, ValuesTable&) override { Fail(); }
  void LockEncounter(qint64, const QString&, qint64&, qint64&, qint64, qint64) override { Fail(); }
  void UnLockEncounter(qint64, const QString&, qint64) override { Fail(); }
  qint64 UploadDocument(const Document&, const QString&) override { Fail(); }

 private:
  [[noreturn]] static void Fail() { throw ServiceError(kClinicErrorConnect, kFileClinicsOnly); }
  QString url_;
};

}  // namespace

ServiceFactory::ServiceFactory(QString configuredUrl, const Clock& clock)
    : url_(std::move(configuredUrl)), clock_(clock) {}

std::unique_ptr<ClinicalService> ServiceFactory::Create() {
  const QString scheme = QUrl(url_.trimmed()).scheme().toLower();
  if (scheme == QStringLiteral("http") || scheme == QStringLiteral("https")) {
    return std::make_unique<UnreachableService>(url_);
  }
  return std::make_unique<LocalClinic>(url_, clock_);
}

QString ClinicUrlForPath(const QString& path) { return QUrl::fromLocalFile(path).toString(); }

}  // namespace pyxa
