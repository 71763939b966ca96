// The world the storing tests share: an "Available Files" and an "Uploads" folder in a temporary
// folder, a logged-in session on a fake service, and makers and readers of source files and of
// the store.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "common/TestTiff.h"
#include "components/SqliteDatabase.h"
#include "platform/Clock.h"
#include "platform/Sql.h"
#include "shell/AppSettings.h"
#include "shell/FakeService.h"
#include "shell/Session.h"
#include "upload/FileDigest.h"

namespace pyxa::storetest {

using testing::OriginalPages;

inline void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// The original pages a TIFF held in memory holds (see common/TestTiff.h).
inline std::vector<int> PagesOf(const QByteArray& tiff, const QTemporaryDir& dir) {
  const QString path = dir.filePath(QStringLiteral("check.tif"));
  WriteFile(path, tiff);
  return OriginalPages(path);
}

// Records in the store, as an earlier store run would, a document taken from `file` as it is now
// and the pages it still owes that file.
inline void RecordEarlierStore(const QString& store, const QString& file, const QVector<int>& pages) {
  SqliteDatabase database;
  database.FilePath = store;
  database.DBPwd = kDatabasePassword;
  if (!QFile::exists(store)) {
    ASSERT_TRUE(database.Create(store, kDatabasePassword));
  }
  Document document;
  AuditLog pending;
  std::int64_t id = 0;
  ASSERT_TRUE(database.StoreIndexedDocument(document, pending, file, FileDigest(file), pages, id));
}

class StoreWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    settings.AvailableFolder = dir.filePath(QStringLiteral("Available Files")) + QLatin1Char('/');
    settings.UploadsFolder = dir.filePath(QStringLiteral("Uploads")) + QLatin1Char('/');
    QDir().mkpath(settings.AvailableFolder);
    QDir().mkpath(settings.UploadsFolder);
    session.Replace(std::make_unique<testing::FakeService>(log));
    session.SetCredentials(QStringLiteral("demo"), QStringLiteral("s3cret"), QStringLiteral("file:///clinic"));
  }
  QString Store() const { return settings.UploadsFolder + QStringLiteral("documents.mdb"); }
  // A file in the available files: a marked TIFF of `pages` pages, a 64x48 JPEG, or the bytes given.
  QString Tiff(int pages, const QString& name = QStringLiteral("batch.tif")) {
    EXPECT_TRUE(testing::WriteMarkedTiff(settings.AvailableFolder + name, pages));
    return settings.AvailableFolder + name;
  }
  QString Photo(const QString& name) {
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::white);
    EXPECT_TRUE(photo.save(settings.AvailableFolder + name, "JPG"));
    return settings.AvailableFolder + name;
  }
  QString WholeFile(const QString& name, const QByteArray& bytes) {
    WriteFile(settings.AvailableFolder + name, bytes);
    return settings.AvailableFolder + name;
  }
  // A document indexed from the file as it is now.
  static Document Indexed(const QString& source, const std::vector<int>& pages, qint64 patient = 1001) {
    Document document;
    document.PatientID = patient;
    document.UserID = 17;
    document.CategoryID = 1;
    document.DocumentName = QStringLiteral("doc.TIF");
    document.SourceFile = source;
    document.SourceDigest = FileDigest(source);
    for (int page : pages) document.Pages.Add(Page{page, {}});
    return document;
  }
  std::vector<int> StoredPages(const Document& document) { return PagesOf(document.FileData, dir); }
  // SELECT COUNT(*) FROM `from` in the store; 0 when there is no store.
  qint64 Rows(const QString& from) {
    if (!QFile::exists(Store())) return 0;
    SqlConnection connection(Store(), SqlConnection::Mode::ReadOnly);
    auto query = connection.Prepare(QStringLiteral("SELECT COUNT(*) AS n FROM ") + from);
    return query.Step() ? query.Int(QStringLiteral("n"), -99) : -1;
  }
  // Copies of pages written while storing and left behind.
  QStringList Leftovers() {
    return QDir(settings.UploadsFolder).entryList({QStringLiteral("zzz*")}, QDir::Files) +
           QDir(settings.AvailableFolder).entryList({QStringLiteral("zzz*")}, QDir::Files);
  }

  QTemporaryDir dir;
  AppSettings settings;
  SqliteDatabaseFactory databases;
  testing::FakeServiceLog log;
  Session session;
  ManualClock clock;
};

}  // namespace pyxa::storetest
