// Storing and start-up costs of the local store, each against a baseline in the same run: storing
// one 100-page G4 document against writing its bytes to a file with fsync; the store reads of a
// start with 200 stored documents to reload and 5000 awaiting upload against reading the 200
// documents' bytes straight from SQLite (peak memory reported beside it).
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "BenchPages.h"
#include "components/ServiceFactory.h"
#include "components/SqliteDatabase.h"
#include "platform/Sql.h"
#include "upload/DocumentStorer.h"
#include "upload/StoredDocuments.h"
#include "upload/UploadCounts.h"

namespace {

QTemporaryDir* g_dir = nullptr;
QString g_batch;  // the 100-page source kept aside; each store works on a copy

pyxa::AppSettings Settings(const QString& name) {
  pyxa::AppSettings settings;
  settings.AvailableFolder = g_dir->filePath(name + QStringLiteral("/Available Files/"));
  settings.UploadsFolder = g_dir->filePath(name + QStringLiteral("/Uploads/"));
  QDir().mkpath(settings.AvailableFolder);
  QDir().mkpath(settings.UploadsFolder);
  return settings;
}

// A session whose service answers nothing: storing goes on without the patient's name.
void Offline(pyxa::Session& session, const pyxa::Clock& clock) {
  session.Replace(pyxa::ServiceFactory(QStringLiteral("http://offline.invalid"), clock).Create());
  session.SetCredentials(QStringLiteral("demo"), QStringLiteral("demo"), QStringLiteral("http://offline.invalid"));
}

void StoreHundredPages(benchmark::State& state) {
  const pyxa::AppSettings settings = Settings(QStringLiteral("store"));
  pyxa::SqliteDatabaseFactory databases;
  pyxa::ManualClock clock;
  pyxa::Session session;
  Offline(session, clock);
  pyxa::DocumentStorer storer(settings, databases, session, clock);
  const QString source = settings.AvailableFolder + QStringLiteral("batch.tif");
  for (auto _ : state) {
    state.PauseTiming();
    QFile::remove(source);
    QFile::copy(g_batch, source);
    pyxa::Documents documents;
    pyxa::Document document;
    document.PatientID = 1001;
    document.SourceFile = source;
    for (int page = 1; page <= 100; ++page) document.Pages.Add(pyxa::Page{page, {}});
    documents.Add(document);
    QString message;
    state.ResumeTiming();
    if (storer.SaveIndexedDocuments(documents, message) != 1) state.SkipWithError(message.toStdString().c_str());
  }
}

void WriteSameBytesWithFsync(benchmark::State& state) {
  QFile batch(g_batch);
  batch.open(QIODevice::ReadOnly);
  const QByteArray bytes = batch.readAll();
  const QString target = g_dir->filePath(QStringLiteral("copy.bin"));
  for (auto _ : state) {
    QFile out(target);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(bytes);
    out.flush();
    ::fsync(out.handle());
    out.close();
  }
}

// A store of 200 stored documents of two pages each and 5000 awaiting upload.
QString MakeStartStore() {
  const QString folder = g_dir->filePath(QStringLiteral("start/Uploads/"));
  QDir().mkpath(folder);
  const QString path = folder + QStringLiteral("documents.mdb");
  pyxa::SqliteDatabase database;
  database.Create(path, pyxa::kDatabasePassword);
  database.Disconnect();
  const QString pages = g_dir->filePath(QStringLiteral("two.tif"));
  pyxa::bench::MakeBatchFile(pages, 2);
  QFile file(pages);
  file.open(QIODevice::ReadOnly);
  const QByteArray bytes = file.readAll();
  pyxa::SqlConnection connection(path);
  pyxa::SqlTransaction transaction(connection);
  auto insert = connection.Prepare(QStringLiteral(
      "INSERT INTO Documents (IsUploaded, UserID, PatientID, CategoryID, DocumentName, FileData) VALUES (?, 101, ?, 1,"
      " 'bench.TIF', ?)"));
  for (int i = 0; i < 5200; ++i) {
    insert.Reset();
    insert.Bind(1, i < 200 ? -1 : 0).Bind(2, 1001 + i % 300).Bind(3, bytes).Run();
  }
  transaction.Commit();
  return path;
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void StartReads(benchmark::State& state) {
  const QString path = MakeStartStore();
  pyxa::AppSettings settings;
  settings.UploadsFolder = QFileInfo(path).absolutePath() + QLatin1Char('/');
  settings.AvailableFolder = settings.UploadsFolder;
  pyxa::SqliteDatabaseFactory databases;
  pyxa::ManualClock clock;
  pyxa::Session session;
  Offline(session, clock);
  pyxa::UploadCounts counts(settings, databases);
  const long before = PeakKilobytes();
  for (auto _ : state) {
    const pyxa::Documents stored = pyxa::LoadStoredDocuments(path, databases, session, settings.UploadsFolder);
    benchmark::DoNotOptimize(counts.AreDocsToUpload(stored.Count()));
    benchmark::DoNotOptimize(counts.UpdateUploadCount());
    if (stored.Count() != 200) state.SkipWithError("wrong reload");
  }
  state.counters["peak_MiB"] = static_cast<double>(PeakKilobytes()) / 1024.0;
  state.counters["growth_MiB"] = static_cast<double>(PeakKilobytes() - before) / 1024.0;
}

void RawBlobRead(benchmark::State& state) {
  const QString path = g_dir->filePath(QStringLiteral("start/Uploads/documents.mdb"));
  for (auto _ : state) {
    pyxa::SqlConnection connection(path, pyxa::SqlConnection::Mode::ReadOnly);
    auto rows = connection.Prepare(QStringLiteral("SELECT FileData FROM Documents WHERE IsUploaded = -1"));
    qint64 total = 0;
    while (rows.Step()) total += rows.Blob(QStringLiteral("FileData")).size();
    benchmark::DoNotOptimize(total);
  }
}

BENCHMARK(StoreHundredPages)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(WriteSameBytesWithFsync)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(StartReads)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(RawBlobRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  g_dir = &dir;
  g_batch = dir.filePath(QStringLiteral("hundred.tif"));
  if (!pyxa::bench::MakeBatchFile(g_batch, 100)) {
    std::fprintf(stderr, "cannot make the batch file\n");
    return 1;
  }
  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  auto& t = times;
  if (t["WriteSameBytesWithFsync"] > 0 && t["RawBlobRead"] > 0) {
    std::printf("store/write+fsync = %.2f   start reads/raw blob read = %.2f\n",
                t["StoreHundredPages"] / t["WriteSameBytesWithFsync"], t["StartReads"] / t["RawBlobRead"]);
  }
  return 0;
}
