// Listing 5000 audit rows over 200 patients and 200 users, as the audit log window does (the store read,
// the names asked of the demo clinic once per person, the rows worded), and the same listing with the
// names already known, against reading the same rows from SQLite directly with no words and no names
// (the baseline). The rows' 500 stored documents each have a 64 KiB file and 4 KiB of page text; the
// listing narrowed by two words, by a word beyond ASCII, and by one that every text holds, shows what
// searching that text costs.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

#include "BenchPages.h"
#include "audit/AuditLogListing.h"
#include "audit/NameLookups.h"
#include "components/DemoClinic.h"
#include "components/ServiceFactory.h"
#include "components/SqliteDatabase.h"
#include "components/StoreSchema.h"
#include "shell/Session.h"

namespace {

constexpr int kRows = 5000;
constexpr int kPeople = 200;
constexpr int kDocuments = 500;
const QDate kDay(2026, 12, 2);
pyxa::SystemClock g_clock;
QString g_store;
pyxa::Session* g_session = nullptr;
int g_listed = 0;

void ListWithNames(benchmark::State& state) {
  for (auto _ : state) {
    pyxa::NameLookups names(*g_session);
    pyxa::AuditLogListing listing(names, [](qint64) { return QStringLiteral("Lab Report"); });
    int listed = 0;
    const QString error = listing.List(g_store, {kDay, kDay, {}, {}, false, {}}, [&](const pyxa::AuditLogLine&) { ++listed; });
    if (!error.isEmpty()) state.SkipWithError(error.toStdString().c_str());
    g_listed = listed;
    state.counters["service calls"] = names.ServiceCalls();
  }
}

// The same listing with every name already known: what the window itself costs beside the service.
void ListWithNamesKnown(benchmark::State& state) {
  pyxa::NameLookups names(*g_session);
  pyxa::AuditLogListing listing(names, [](qint64) { return QStringLiteral("Lab Report"); });
  listing.List(g_store, {kDay, kDay, {}, {}, false, {}}, [](const pyxa::AuditLogLine&) {});
  for (auto _ : state) {
    int listed = 0;
    listing.List(g_store, {kDay, kDay, {}, {}, false, {}}, [&](const pyxa::AuditLogLine&) { ++listed; });
    benchmark::DoNotOptimize(listed);
  }
}

// Names known, narrowed by words: ASCII words (SQLite's LIKE), and one beyond ASCII (folded text).
void ListWithWords(benchmark::State& state, const QString& words) {
  pyxa::NameLookups names(*g_session);
  pyxa::AuditLogListing listing(names, [](qint64) { return QStringLiteral("Lab Report"); });
  listing.List(g_store, {kDay, kDay, {}, {}, false, words}, [](const pyxa::AuditLogLine&) {});
  for (auto _ : state) {
    int listed = 0;
    listing.List(g_store, {kDay, kDay, {}, {}, false, words}, [&](const pyxa::AuditLogLine&) { ++listed; });
    state.counters["listed"] = listed;
  }
}
void ListWithWords(benchmark::State& state) { ListWithWords(state, QStringLiteral("ferritin 142")); }
void ListWithFoldedWord(benchmark::State& state) { ListWithWords(state, QStringLiteral("HÉMOLYSE")); }
// The worst case: a word beyond ASCII that every text holds, so that every text is folded.
void ListWithCommonFoldedWord(benchmark::State& state) { ListWithWords(state, QStringLiteral("HÉMATOLOGIE")); }

// About 4 KiB of what a page reads like; every tenth has the words the search looks for.
QString PageText(int n) {
  static const QStringList vocabulary = {
      QStringLiteral("Hemoglobin"), QStringLiteral("g/L"),  QStringLiteral("Result"),   QStringLiteral("Reference"),
      QStringLiteral("Platelets"),  QStringLiteral("hématologie"), QStringLiteral("Patient"), QStringLiteral("normal"),
      QStringLiteral("Collected"),  QStringLiteral("2026-11-30"),  QStringLiteral("Leukocytes"), QStringLiteral("x10^9/L")};
  QString text;
  unsigned seed = static_cast<unsigned>(n) * 2654435761u;
  while (text.size() < 4096) {
    seed = seed * 1103515245u + 12345u;
    text += vocabulary.at(static_cast<int>((seed >> 16) % static_cast<unsigned>(vocabulary.size()))) +
            QLatin1Char(' ');
  }
  if (n % 10 == 0) text += QStringLiteral("Ferritin 142 ug/L, hémolyse");
  return text;
}

void RawSqliteRead(benchmark::State& state) {
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(g_store.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM AuditLog WHERE ActionDate > ? AND ActionDate < ?", -1, &statement, nullptr);
    const QByteArray from = QDateTime(kDay, QTime(0, 0)).toString(pyxa::kStoreDateFormat).toUtf8();
    const QByteArray to = QDateTime(kDay.addDays(1), QTime(0, 0)).toString(pyxa::kStoreDateFormat).toUtf8();
    sqlite3_bind_text(statement, 1, from.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(statement, 2, to.constData(), -1, SQLITE_TRANSIENT);
    long long sum = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(statement); ++c) sum += sqlite3_column_bytes(statement, c);
    }
    benchmark::DoNotOptimize(sum);
    sqlite3_finalize(statement);
    sqlite3_close(db);
  }
}

BENCHMARK(ListWithNames)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(ListWithNamesKnown)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(ListWithWords)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(ListWithFoldedWord)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(ListWithCommonFoldedWord)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(RawSqliteRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString clinic = pyxa::bench::MakeDemoClinic(dir.path(), g_clock);
  if (clinic.isEmpty()) return 1;
  pyxa::Session session;
  session.Replace(pyxa::ServiceFactory(pyxa::ClinicUrlForPath(clinic), g_clock).Create());
  session.Integration()->Connect(QStringLiteral("demo"), QStringLiteral("demo"));
  g_session = &session;

  // Every row leaves its patient's name to the service, as rows stored without one do.
  g_store = dir.filePath(QStringLiteral("documents.mdb"));
  pyxa::SqliteDatabase database;
  database.Create(g_store, pyxa::kDatabasePassword);
  if (!database.Connect(g_store, pyxa::kDatabasePassword)) return 1;
  std::vector<std::int64_t> documents;
  for (int i = 0; i < kDocuments; ++i) {
    pyxa::Document document;
    document.DocumentName = QStringLiteral("Document %1.TIF").arg(i);
    document.FileData = QByteArray(64 * 1024, static_cast<char>(i));
    document.PageText = PageText(i);
    std::int64_t id = 0;
    if (!database.UpdateDBWithIndexedDoc(document, id)) return 1;
    documents.push_back(id);
  }
  for (int i = 0; i < kRows; ++i) {
    pyxa::AuditLog row;
    row.ActionDate = QDateTime(kDay, QTime(8, 0)).addSecs(i);
    row.DocumentName = QStringLiteral("Document %1.TIF").arg(i);
    row.PatientID = pyxa::kDemoFirstPatientId + i % kPeople;
    row.UserID = pyxa::kDemoUserId + (i * 7) % kPeople;
    row.CategoryID = 1;
    row.ActionID = pyxa::kActionPendingUpload;
    row.DocumentID = documents[static_cast<std::size_t>(i % kDocuments)];
    if (!database.UpdateDBWithLog(row)) return 1;
  }
  database.Disconnect();

  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  auto& t = times;
  if (t["ListWithNames"] > 0 && t["RawSqliteRead"] > 0)
    std::printf("audit listing/raw read = %.2f (names known: %.2f; with words: %.2f, a word beyond ASCII: %.2f,"
                " one every text holds: %.2f)   rows = %d\n",
                t["ListWithNames"] / t["RawSqliteRead"], t["ListWithNamesKnown"] / t["RawSqliteRead"],
                t["ListWithWords"] / t["RawSqliteRead"], t["ListWithFoldedWord"] / t["RawSqliteRead"],
                t["ListWithCommonFoldedWord"] / t["RawSqliteRead"], g_listed);
  return 0;
}
