// Shared set-up of the clinic server's tests: a demo clinic copied for each test, a server on a
// free loopback port with a certificate of the test CA, and Qt's HTTPS client trusting only that CA.
#pragma once

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QHttpMultiPart>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTimer>
#include <mutex>

#include "ClinicServer.h"
#include "common/TestCa.h"
#include "components/ClinicWire.h"
#include "components/LocalClinicTestFixture.h"

namespace pyxa::servertest {

struct Reply {
  int status = 0;  // 0: no HTTP answer
  QByteArray body;
  QString networkError;

  QJsonObject Object() const { return QJsonDocument::fromJson(body).object(); }
  // The error object's number and description; 0 and empty when the answer is not an error.
  qint32 ErrorNumber() const { return Object().value(QStringLiteral("error")).toObject().value("number").toInt(); }
  QString ErrorText() const {
    return Object().value(QStringLiteral("error")).toObject().value(QStringLiteral("description")).toString();
  }
};

class ClinicServerTest : public clinictest::ClinicTest {
 protected:
  static void SetUpTestSuite() {
    clinictest::ClinicTest::SetUpTestSuite();
    Tls();
  }

  void SetUp() override {
    clinictest::ClinicTest::SetUp();
    ClinicServerOptions options;
    options.clinicPath = path_;
    options.certificatePath = Tls().certificate.certPath;
    options.keyPath = Tls().certificate.keyPath;
    options.host = QStringLiteral("127.0.0.1");
    options.threads = 4;
    options.log = [this](const QString& line) {
      const std::lock_guard lock(logMutex_);
      log_.append(line);
    };
    server_ = std::make_unique<ClinicServer>(options, clock_);
    QString error;
    ASSERT_TRUE(server_->Start(error)) << error.toStdString();
    ASSERT_GT(server_->Port(), 0);
  }

  void TearDown() override { StopServer(); }

  // Closes the client's kept-alive connections first: the server waits for idle ones to time out.
  void StopServer() {
    network_.clearConnectionCache();
    if (server_) server_->Stop();
  }

  QUrl Url(const QString& path) const {
    return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(server_->Port()).arg(path));
  }

  Reply Send(const QByteArray& verb, const QString& path, const QByteArray& body, const QString& token = {},
             QHttpMultiPart* multipart = nullptr) {
    QNetworkRequest request(Url(path));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(QSslCertificate::fromPath(Tls().ca.CaFile()));
    request.setSslConfiguration(tls);
    if (!multipart) request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    if (!token.isEmpty()) request.setRawHeader("Authorization", QByteArray(wire::kBearer) + token.toLatin1());
    QNetworkReply* reply =
        multipart ? network_.post(request, multipart) : network_.sendCustomRequest(request, verb, body);
    if (multipart) multipart->setParent(reply);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // A hung server fails the test instead of hanging it.
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    Reply answer;
    if (!reply->isFinished()) {
      reply->abort();
      answer.networkError = QStringLiteral("no answer");
    }
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.body = reply->readAll();
    if (answer.status == 0) answer.networkError = reply->errorString();
    reply->deleteLater();
    return answer;
  }

  Reply Call(const QString& member, const QJsonObject& arguments, const QString& token) {
    return Send("POST", QStringLiteral("/api/1/") + member, wire::ToBody(arguments), token);
  }

  Reply Connect(const QString& login, const QString& password) {
    QJsonObject arguments;
    arguments.insert(QStringLiteral("login"), login);
    arguments.insert(QStringLiteral("password"), password);
    return Call(wire::kConnect, arguments, {});
  }

  // Logs in (login = password in the demo clinic) and answers the session token.
  QString Token(const QString& login = QStringLiteral("demo")) {
    const Reply reply = Connect(login, login);
    EXPECT_EQ(reply.status, 200) << reply.body.toStdString() << reply.networkError.toStdString();
    return reply.Object().value(QStringLiteral("token")).toString();
  }

  QStringList LogLines() {
    const std::lock_guard lock(logMutex_);
    return log_;
  }

  struct TlsFiles {
    testing_tls::TestCa ca;
    testing_tls::CertFiles certificate;
  };
  // One CA and server certificate for the whole test program: making keys is the slow part.
  static TlsFiles& Tls() {
    static QTemporaryDir folder;
    static TlsFiles files = [] {
      testing_tls::TestCa ca(folder.path());
      const QDateTime now = QDateTime::currentDateTimeUtc();
      auto issued = ca.Issue(QStringLiteral("server"), {QStringLiteral("127.0.0.1"), QStringLiteral("localhost")},
                             now.addDays(-1), now.addDays(30));
      return TlsFiles{std::move(ca), std::move(issued)};
    }();
    return files;
  }

  std::mutex logMutex_;
  QStringList log_;
  QNetworkAccessManager network_;
  std::unique_ptr<ClinicServer> server_;
};

}  // namespace pyxa::servertest
