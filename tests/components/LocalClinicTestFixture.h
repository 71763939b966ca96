// Shared set-up of the clinic tests: one demo clinic per test program (cheap password hashing),
// copied into a fresh folder for every test so that tests never see each other's changes.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "components/DemoClinic.h"
#include "components/LocalClinic.h"
#include "components/ServiceFactory.h"
#include "platform/Sql.h"

namespace pyxa::clinictest {

inline constexpr int kTestHashIterations = 64;
inline const QDateTime kDemoDay(QDate(2026, 1, 5), QTime(9, 0));

// The demo clinic every test starts from, made on first use.
inline const QString& DemoTemplate() {
  static QTemporaryDir folder;
  static const QString path = [] {
    const QString file = folder.filePath(QStringLiteral("template.sqlite"));
    ManualClock clock(kDemoDay);
    QString error;
    if (!CreateDemoClinic(file, clock, error, {kTestHashIterations})) ADD_FAILURE() << error.toStdString();
    return file;
  }();
  return path;
}

class ClinicTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { DemoTemplate(); }

  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    path_ = folder_.filePath(QStringLiteral("clinic.sqlite"));
    ASSERT_TRUE(QFile::copy(DemoTemplate(), path_));
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
    url_ = ClinicUrlForPath(path_);
  }

  // The address session objects connect to, and a fresh object for it, not connected: the clinic
  // file's own here; the contract's tests serve it over HTTPS too.
  virtual QString ServiceUrl() { return url_; }
  virtual std::unique_ptr<ClinicalService> NewService() { return std::make_unique<LocalClinic>(ServiceUrl(), clock_); }
  std::unique_ptr<ClinicalService> Login(const QString& login = QStringLiteral("demo")) {
    auto clinic = NewService();
    clinic->Connect(login, login, ServiceUrl());
    return clinic;
  }

  qint64 Count(const QString& sql) {
    SqlConnection connection(path_);
    auto query = connection.Prepare(sql);
    return query.Step() ? query.Int(QStringLiteral("n")) : -1;
  }

  // Runs a call that must fail and hands back its error.
  template <typename Call>
  static ServiceError Failure(Call&& call) {
    try {
      call();
    } catch (const ServiceError& error) {
      return error;
    }
    ADD_FAILURE() << "the call did not fail";
    return ServiceError(0, QString());
  }

  QTemporaryDir folder_;
  ManualClock clock_{kDemoDay};
  QString path_;
  QString url_;
};

}  // namespace pyxa::clinictest
