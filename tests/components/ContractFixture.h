// The contract's tests run twice: on the embedded clinic, and on the same clinic file served by our
// clinic server over HTTPS on the loopback (trusted through a certificate authority the test makes),
// so that the network client and the server give the embedded clinic's answers.
#pragma once

#include "ClinicServer.h"
#include "LocalClinicTestFixture.h"
#include "common/TestCa.h"
#include "components/HttpClinic.h"

namespace pyxa::clinictest {

enum class ClinicKind { Embedded, Https };

class ContractTest : public ClinicTest, public ::testing::WithParamInterface<ClinicKind> {
 protected:
  QString ServiceUrl() override {
    if (GetParam() == ClinicKind::Embedded) return url_;
    if (!server_) {
      ca_.emplace(folder_.path());
      const auto certificate =
          ca_->Issue(QStringLiteral("server"), {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")});
      ClinicServerOptions options;
      options.clinicPath = path_;
      options.certificatePath = certificate.certPath;
      options.keyPath = certificate.keyPath;
      options.host = QStringLiteral("127.0.0.1");
      options.threads = 4;
      options.log = [](const QString&) {};
      server_ = std::make_unique<ClinicServer>(options, clock_);
      QString error;
      if (!server_->Start(error)) ADD_FAILURE() << error.toStdString();
    }
    return QStringLiteral("https://localhost:%1/").arg(server_->Port());
  }
  std::unique_ptr<ClinicalService> NewService() override {
    const QString url = ServiceUrl();
    if (GetParam() == ClinicKind::Embedded) return std::make_unique<LocalClinic>(url, clock_);
    HttpClinicOptions options;
    options.caFile = ca_->CaFile();
    return std::make_unique<HttpClinic>(url, options);
  }

  std::optional<testing_tls::TestCa> ca_;
  std::unique_ptr<ClinicServer> server_;
};

inline std::string KindName(const ::testing::TestParamInfo<ClinicKind>& info) {
  return info.param == ClinicKind::Embedded ? "Embedded" : "Https";
}

#define PYXA_ON_BOTH_CLINICS(Suite)                                                    \
  INSTANTIATE_TEST_SUITE_P(Clinics, Suite,                                             \
                           ::testing::Values(::pyxa::clinictest::ClinicKind::Embedded, \
                                             ::pyxa::clinictest::ClinicKind::Https),   \
                           ::pyxa::clinictest::KindName)

}  // namespace pyxa::clinictest
