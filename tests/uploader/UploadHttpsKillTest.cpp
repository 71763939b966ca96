// The upload program against a real clinic server over HTTPS that is killed (SIGKILL) at random
// moments of a run and started again: every run that meets a dead server ends and leaves the rest
// waiting, and in the end every document is in the clinic exactly once and marked uploaded once.
#include <QProcess>
#include <QTimer>
#include <random>

#include "UploaderFixture.h"
#include "common/ScriptedTlsServer.h"

namespace pyxa::uploadtest {
namespace {

class UploadHttpsKillTest : public UploaderTest {
 protected:
  void SetUp() override {
    UploaderTest::SetUp();
    ca_.emplace(folder_.path());
    certificate_ = ca_->Issue(QStringLiteral("server"), {QStringLiteral("localhost")});
    port_ = testing_tls::UnusedPort();
    WriteSettings(EncipherCredential(QStringLiteral("demo")), EncipherCredential(QStringLiteral("demo")),
                  QStringLiteral("https://localhost:%1/").arg(port_));
  }
  void TearDown() override { StopServer(); }

  void StartServer() {
    server_ = std::make_unique<QProcess>();
    server_->setProcessChannelMode(QProcess::MergedChannels);
    server_->start(QStringLiteral(PYXA_CLINIC_SERVER),
                   {QStringLiteral("--clinic"), path_, QStringLiteral("--cert"), certificate_.certPath,
                    QStringLiteral("--key"), certificate_.keyPath, QStringLiteral("--listen"),
                    QStringLiteral("127.0.0.1:%1").arg(port_)});
    QByteArray said;
    while (!said.contains("Serving") && server_->waitForReadyRead(10000)) said += server_->readAll();
    ASSERT_TRUE(said.contains("Serving")) << said.toStdString();
  }
  void StopServer() {
    if (!server_) return;
    server_->kill();
    server_->waitForFinished(10000);
    server_.reset();
  }

  int Run() {
    report.lines.clear();
    UploadRun run(clock_, MakeConfiguredService(clock_, Options()), report);
    return run.Run(store_);
  }
  ServiceOptions Options() const {
    ServiceOptions options;
    options.timeoutSeconds = 10;
    options.caFile = ca_->CaFile();
    return options;
  }

  std::optional<testing_tls::TestCa> ca_;
  testing_tls::CertFiles certificate_;
  quint16 port_ = 0;
  std::unique_ptr<QProcess> server_;
};

TEST_F(UploadHttpsKillTest, AServerKilledMidRunLosesNothingAndFilesNothingTwice) {
  constexpr int kDocuments = 16;
  std::vector<qint64> ids;
  // Large enough that a run spends most of its time sending them.
  for (int n = 1; n <= kDocuments; ++n) ids.push_back(Queue(kDemoFirstPatientId + n, n, true, 1 << 20));

  std::mt19937 random(20261208);
  int kills = 0;
  for (int round = 0; round < 40 && StoreRows(QStringLiteral("Documents WHERE IsUploaded = 0")) > 0; ++round) {
    StartServer();
    // The kill lands wherever the run happens to be: logging in, sending, or recording.
    QTimer killer;
    killer.setSingleShot(true);
    QObject::connect(&killer, &QTimer::timeout, [&] {
      ++kills;
      server_->kill();
    });
    // Early in the first rounds, whatever this computer's speed, then further into each run.
    if (round % 4 != 3) killer.start(std::uniform_int_distribution<int>(0, 30 + 15 * round)(random));
    Run();
    killer.stop();
    StopServer();
  }
  EXPECT_GE(kills, 2);
  for (int n = 1; n <= kDocuments; ++n) {
    EXPECT_EQ(Received(n), 1) << "document " << n;
    EXPECT_EQ(IsUploaded(ids[n - 1]), 1) << "document " << n << ": " << Said();
    EXPECT_EQ(UploadAudits(ids[n - 1], kStatusSucceeded), 1) << "document " << n;
  }
}

}  // namespace
}  // namespace pyxa::uploadtest
