// The upload program on 500 small documents against the demo clinic, in documents per second,
// against storing and queueing the same 500 documents in the local store in the same run.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

#include "BenchPages.h"
#include "UploadRun.h"
#include "components/DemoClinic.h"
#include "components/Rc4.h"
#include "components/ServiceFactory.h"
#include "components/SqliteDatabase.h"

namespace {

constexpr int kDocuments = 500;
QString g_store, g_clinicUrl;
pyxa::ManualClock g_clock(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));

class QuietReport final : public pyxa::UploadReport {
 public:
  void Line(const QString&, bool) override {}
};

void StoreAndQueue(benchmark::State& state) {
  for (auto _ : state) {
    for (int n = 0; n < kDocuments; ++n) {
      pyxa::Document document;
      document.UserID = pyxa::kDemoUserId;
      document.PatientID = pyxa::kDemoFirstPatientId + n % 300;
      document.CategoryID = 1;
      document.DocumentName = QStringLiteral("Document %1.TIF").arg(n);
      document.FileData = QByteArray(4000, char(n % 251));
      document.FileData.replace(0, 4, QByteArray("II*\0", 4));
      pyxa::SqliteDatabase database;
      database.Connect(g_store, pyxa::kDatabasePassword);
      std::int64_t id = 0;
      database.UpdateDBWithIndexedDoc(document, id);
      pyxa::Documents queued;
      queued.Add(document);
      database.UpdateDocuments(queued);
      database.Disconnect();
    }
  }
  state.counters["documents_per_s"] =
      benchmark::Counter(double(kDocuments) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void UploadAll(benchmark::State& state) {
  for (auto _ : state) {
    QuietReport report;
    pyxa::UploadRun run(g_clock, pyxa::MakeConfiguredService(g_clock), report);
    if (run.Run(g_store) != pyxa::kUploadDone) state.SkipWithError("the upload run failed");
  }
  state.counters["documents_per_s"] =
      benchmark::Counter(double(kDocuments) * double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(StoreAndQueue)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(UploadAll)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString clinic = pyxa::bench::MakeDemoClinic(dir.path(), g_clock);
  if (clinic.isEmpty()) return 1;
  g_clinicUrl = pyxa::ClinicUrlForPath(clinic);
  g_store = dir.filePath(QStringLiteral("documents.mdb"));
  pyxa::SqliteDatabase database;
  database.Create(g_store, pyxa::kDatabasePassword);
  database.WebSvcAccount = pyxa::EncipherCredential(QStringLiteral("demo"));
  database.WebSvcPwd = pyxa::EncipherCredential(QStringLiteral("demo"));
  database.WebSvcURL = g_clinicUrl;
  database.DBPwd = pyxa::kDatabasePassword;
  database.FilePath = g_store;
  database.UpdateSettings();
  database.Disconnect();

  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  auto& t = times;
  if (t["StoreAndQueue"] > 0 && t["UploadAll"] > 0) {
    std::printf("upload: %.0f documents/s   upload/store-and-queue = %.2f\n", kDocuments / (t["UploadAll"] / 1000.0),
                t["UploadAll"] / t["StoreAndQueue"]);
  }
  return 0;
}
