// The clinic over HTTPS on the loopback against the embedded clinic on the same file, in the same
// run: a patient search, and the upload of a 100-page document (about 4 MB); then 20 workstations
// searching at once against one server, in requests per second with the slowest answer.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>

#include "BenchPages.h"
#include "ClinicServer.h"
#include "common/TestCa.h"
#include "components/DemoClinic.h"
#include "components/HttpClinic.h"
#include "components/LocalClinic.h"
#include "components/ServiceFactory.h"

namespace {

constexpr int kWorkstations = 20;
constexpr int kSearchesEach = 50;
pyxa::ManualClock g_clock(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
QString g_clinicUrl, g_httpsUrl, g_caFile;
std::atomic<long> g_keys{0};

std::unique_ptr<pyxa::ClinicalService> Connected(bool https) {
  std::unique_ptr<pyxa::ClinicalService> clinic;
  if (https) {
    pyxa::HttpClinicOptions options;
    options.caFile = g_caFile;
    clinic = std::make_unique<pyxa::HttpClinic>(g_httpsUrl, options);
  } else {
    clinic = std::make_unique<pyxa::LocalClinic>(g_clinicUrl, g_clock);
  }
  clinic->Connect(QStringLiteral("demo"), QStringLiteral("demo"));
  return clinic;
}

void Search(pyxa::ClinicalService& clinic) {
  QString dob;
  QStringList names;
  pyxa::ValuesTable values;
  clinic.FindPatient({}, QStringLiteral("O'Br"), {}, {}, {}, {}, {}, dob, names, values);
  if (pyxa::RowCount(values) < 1) throw std::runtime_error("the search found nobody");
}

void PatientSearch(benchmark::State& state, bool https) {
  auto clinic = Connected(https);
  for (auto _ : state) Search(*clinic);
}
void EmbeddedSearch(benchmark::State& state) { PatientSearch(state, false); }
void HttpsSearch(benchmark::State& state) { PatientSearch(state, true); }

void Upload(benchmark::State& state, bool https) {
  auto clinic = Connected(https);
  pyxa::Document document;
  document.UserID = pyxa::kDemoUserId;
  document.PatientID = pyxa::kDemoFirstPatientId;
  document.CategoryID = 1;
  document.DocumentName = QStringLiteral("Discharge summary.TIF");
  // 100 bilevel pages of about 40 KB each, of bytes that do not compress.
  document.FileData.resize(100 * 40 * 1024);
  quint32 seed = 12345;
  for (char& byte : document.FileData) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<char>(seed >> 24);
  }
  for (auto _ : state) clinic->UploadDocument(document, QStringLiteral("bench-%1").arg(++g_keys));
  state.SetBytesProcessed(state.iterations() * document.FileData.size());
}
void EmbeddedUpload(benchmark::State& state) { Upload(state, false); }
void HttpsUpload(benchmark::State& state) { Upload(state, true); }

BENCHMARK(EmbeddedSearch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(HttpsSearch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(EmbeddedUpload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(HttpsUpload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// Each workstation its own thread, session and connection, searching as fast as it can.
void ConcurrentSearches() {
  std::vector<std::unique_ptr<QThread>> threads;
  std::vector<qint64> slowest(kWorkstations, 0);
  std::atomic<int> failures{0};
  QElapsedTimer total;
  total.start();
  for (int w = 0; w < kWorkstations; ++w) {
    threads.emplace_back(QThread::create([w, &slowest, &failures] {
      try {
        auto clinic = Connected(true);
        for (int i = 0; i < kSearchesEach; ++i) {
          QElapsedTimer one;
          one.start();
          Search(*clinic);
          slowest[w] = std::max(slowest[w], one.elapsed());
        }
      } catch (const std::exception& error) {
        std::fprintf(stderr, "workstation %d: %s\n", w, error.what());
        ++failures;
      }
    }));
    threads.back()->start();
  }
  for (auto& thread : threads) thread->wait();
  const double seconds = total.elapsed() / 1000.0;
  std::printf("%d workstations x %d searches over HTTPS: %.0f requests/s, slowest answer %lld ms, %d failed\n",
              kWorkstations, kSearchesEach, kWorkstations * kSearchesEach / seconds,
              static_cast<long long>(*std::max_element(slowest.begin(), slowest.end())), failures.load());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString clinic = pyxa::bench::MakeDemoClinic(dir.path(), g_clock);
  if (clinic.isEmpty()) return 1;
  g_clinicUrl = pyxa::ClinicUrlForPath(clinic);
  pyxa::testing_tls::TestCa ca(dir.path());
  g_caFile = ca.CaFile();
  const auto certificate = ca.Issue(QStringLiteral("server"), {QStringLiteral("localhost")});
  pyxa::ClinicServerOptions options;
  options.clinicPath = clinic;
  options.certificatePath = certificate.certPath;
  options.keyPath = certificate.keyPath;
  options.host = QStringLiteral("127.0.0.1");
  options.log = [](const QString&) {};
  pyxa::SystemClock serverClock;
  pyxa::ClinicServer server(options, serverClock);
  QString error;
  if (!server.Start(error)) {
    std::fprintf(stderr, "cannot start the clinic server: %s\n", qPrintable(error));
    return 1;
  }
  g_httpsUrl = QStringLiteral("https://localhost:%1/").arg(server.Port());

  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  ConcurrentSearches();
  auto& t = times;
  if (t["EmbeddedSearch"] > 0 && t["EmbeddedUpload"] > 0) {
    std::printf("HTTPS/embedded: patient search %.2f (%.2f ms against %.2f ms), 100-page upload %.2f (%.1f ms against "
                "%.1f ms)\n",
                t["HttpsSearch"] / t["EmbeddedSearch"], t["HttpsSearch"], t["EmbeddedSearch"],
                t["HttpsUpload"] / t["EmbeddedUpload"], t["HttpsUpload"], t["EmbeddedUpload"]);
  }
  server.Stop();
  return 0;
}
