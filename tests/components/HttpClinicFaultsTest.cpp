// What the network client makes of a server that fails: each fault comes back as the error the
// session rules know (a connection error, or a failed request), in words that say what happened,
// and never as an answer.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/ScriptedTlsServer.h"
#include "components/HttpClinic.h"

namespace pyxa {
namespace {

using testing_tls::CertFiles;
using testing_tls::ScriptedTlsServer;
using testing_tls::TestCa;
using testing_tls::TlsScript;
using Behaviour = TlsScript::Behaviour;

class HttpClinicFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override { ca_.emplace(folder_.path()); }

  ServiceError ConnectTo(quint16 port, const QString& host = QStringLiteral("localhost")) {
    HttpClinicOptions options;
    options.timeoutSeconds = 2;
    options.caFile = ca_->CaFile();
    HttpClinic clinic(QString(), options);
    try {
      clinic.Connect(QStringLiteral("demo"), QStringLiteral("demo"), QStringLiteral("https://%1:%2/").arg(host).arg(port));
    } catch (const ServiceError& error) {
      return error;
    }
    ADD_FAILURE() << "the login did not fail";
    return ServiceError(0, QString());
  }

  QTemporaryDir folder_;
  std::optional<TestCa> ca_;
};

TEST_F(HttpClinicFaultsTest, EveryFailingServerIsReportedInTheWordsTheSessionRulesKnow) {
  const CertFiles good = ca_->Issue(QStringLiteral("good"), {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")});
  const CertFiles otherName = ca_->Issue(QStringLiteral("other"), {QStringLiteral("records.example.org")});
  const CertFiles expired = ca_->Issue(QStringLiteral("expired"), {QStringLiteral("localhost")},
                                       QDateTime::currentDateTimeUtc().addDays(-60),
                                       QDateTime::currentDateTimeUtc().addDays(-30));
  const CertFiles selfSigned = ca_->SelfSigned(QStringLiteral("self"), {QStringLiteral("localhost")});
  const QByteArray json = QByteArrayLiteral("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n");

  struct Case {
    const char* what;
    CertFiles certificate;
    TlsScript script;
    qint32 number;
    QString says;
  };
  const Case cases[] = {
      {"never answers", good, {Behaviour::AcceptAndNeverAnswer, {}}, kClinicErrorTimedOut,
       QStringLiteral("did not answer within 2 seconds")},
      {"closes without answering", good, {Behaviour::CloseAfterRequest, {}}, kClinicErrorConnect,
       QStringLiteral("connection was closed")},
      {"certificate of another name", otherName, {Behaviour::Answer, json}, kClinicErrorConnect,
       QStringLiteral("host name did not match")},
      {"expired certificate", expired, {Behaviour::Answer, json}, kClinicErrorConnect, QStringLiteral("expired")},
      {"self-signed certificate", selfSigned, {Behaviour::Answer, json}, kClinicErrorConnect,
       QStringLiteral("self-signed")},
      {"500 with a page", good,
       {Behaviour::Answer, "HTTP/1.1 500 Internal Server Error\r\nContent-Type: text/html\r\nContent-Length: 21\r\n"
                           "Connection: close\r\n\r\n<html>oops</html>\r\n\r\n"},
       kClinicErrorAnswer, QStringLiteral("answered HTTP 500")},
      {"not JSON", good, {Behaviour::Answer, json + "Content-Length: 9\r\nConnection: close\r\n\r\n<welcome>"},
       kClinicErrorAnswer, QStringLiteral("not JSON")},
      {"JSON of another form", good, {Behaviour::Answer, json + "Content-Length: 2\r\nConnection: close\r\n\r\n{}"},
       kClinicErrorAnswer, QStringLiteral("cannot be read: \"token\" is missing")},
      {"truncated", good,
       {Behaviour::Answer, json + "Content-Length: 400\r\nConnection: close\r\n\r\n{\"token\": \"abc\", \"user"},
       kClinicErrorConnect, QStringLiteral("before its answer was complete")},
      {"huge", good, {Behaviour::HugeAnswer, {}}, kClinicErrorAnswer, QStringLiteral("larger than 64 MB")},
  };
  for (const Case& c : cases) {
    ScriptedTlsServer server(c.certificate, c.script);
    const ServiceError error = ConnectTo(server.Port());
    EXPECT_EQ(error.Number(), c.number) << c.what << ": " << error.Description().toStdString();
    EXPECT_TRUE(error.Description().contains(c.says, Qt::CaseInsensitive))
        << c.what << ": " << error.Description().toStdString();
    // The session rules tell the user the clinic cannot be reached, not that the login was wrong.
    EXPECT_TRUE(error.Description().startsWith(QStringLiteral("Unable to connect")) ||
                error.Description().contains(QStringLiteral("connection was closed")) ||
                error.Description().contains(QStringLiteral("request failed")))
        << c.what;
  }

  const ServiceError refused = ConnectTo(testing_tls::UnusedPort(), QStringLiteral("127.0.0.1"));
  EXPECT_EQ(refused.Number(), kClinicErrorConnect);
  EXPECT_TRUE(refused.Description().contains(QStringLiteral("refused"))) << refused.Description().toStdString();
}

TEST_F(HttpClinicFaultsTest, AddressesThatAreNotSecureOrNotServersAreRefusedBeforeAnythingIsSent) {
  const struct {
    QString url;
    bool allowPlain;
    QString says;
  } cases[] = {
      {QStringLiteral("http://localhost:9/"), false, QStringLiteral("not secure (https)")},
      {QStringLiteral("ftp://localhost/"), true, QStringLiteral("not the address of a clinic server")},
      {QStringLiteral("https:///nohost"), true, QStringLiteral("not the address of a clinic server")},
  };
  for (const auto& c : cases) {
    HttpClinicOptions options;
    options.allowPlainHttp = c.allowPlain;
    HttpClinic clinic(QString(), options);
    try {
      clinic.Connect(QStringLiteral("demo"), QStringLiteral("demo"), c.url);
      ADD_FAILURE() << c.url.toStdString();
    } catch (const ServiceError& error) {
      EXPECT_TRUE(error.Description().contains(c.says)) << error.Description().toStdString();
      EXPECT_TRUE(error.Description().startsWith(QStringLiteral("Unable to connect")));
    }
  }
  HttpClinicOptions missingCa;
  missingCa.caFile = folder_.filePath(QStringLiteral("nowhere.pem"));
  HttpClinic clinic(QString(), missingCa);
  try {
    clinic.Connect(QStringLiteral("demo"), QStringLiteral("demo"), QStringLiteral("https://localhost:9/"));
    ADD_FAILURE();
  } catch (const ServiceError& error) {
    EXPECT_TRUE(error.Description().contains(QStringLiteral("nowhere.pem"))) << error.Description().toStdString();
  }
}

}  // namespace
}  // namespace pyxa
