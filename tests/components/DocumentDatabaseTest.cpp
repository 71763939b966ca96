// Creating, connecting and failing: the store's layout, its password, and what a locked,
// foreign, damaged or read-only store does to each member.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "components/SqliteDatabase.h"
#include "components/StoreSchema.h"

namespace pyxa {
namespace {

constexpr int kShortBusyMs = 100;

class DocumentDatabaseTest : public ::testing::Test {
 protected:
  QString path() const { return dir_.filePath(QStringLiteral("documents.mdb")); }

  void CreateStore() {
    SqliteDatabase db;
    ASSERT_TRUE(db.Create(path(), kDatabasePassword)) << db.LastErrorDescription().toStdString();
  }

  // A writer as the program runs one: a fresh object, the settings, UpdateSettings, one insert.
  std::int64_t StoreOne(const QString& name, SqliteDatabase* db = nullptr) {
    SqliteDatabase own(kShortBusyMs);
    SqliteDatabase& writer = db ? *db : own;
    writer.FilePath = path();
    writer.DBPwd = kDatabasePassword;
    Document document;
    document.DocumentName = name;
    document.FileData = QByteArray("II*\0", 4);
    std::int64_t id = 0;
    if (!writer.UpdateDBWithIndexedDoc(document, id)) return -writer.LastError();
    return id;
  }

  QStringList StoredNames() {
    SqlConnection sql(path(), SqlConnection::Mode::ReadOnly);
    SqlStatement row = sql.Prepare(QStringLiteral("SELECT DocumentName FROM Documents ORDER BY DocumentID"));
    QStringList names;
    while (row.Step()) names << row.Text(QStringLiteral("DocumentName"));
    return names;
  }

  QByteArray FileBytes() const {
    QFile file(path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QTemporaryDir dir_;
};

QStringList Columns(SqlConnection& sql, const QString& table) {
  SqlStatement info = sql.Prepare(QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"));
  info.Bind(1, table);
  QStringList names;
  while (info.Step()) names << info.Text(QStringLiteral("name"));
  return names;
}

TEST_F(DocumentDatabaseTest, CreateMakesAnEmptyPrivateStoreWithTheProgramsTables) {
  {
    // The journal of a store that was deleted must not be played into the new one.
    QFile stale(path() + QStringLiteral("-journal"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray(4096, '\x5a'));
  }
  CreateStore();
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("documents.mdb")});
  struct stat info {};
  ASSERT_EQ(stat(QFile::encodeName(path()).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  SqlConnection sql(path());
  EXPECT_EQ(Columns(sql, QStringLiteral("Documents")),
            QStringList({"DocumentID", "IsUploaded", "UserID", "PatientID", "EncounterID", "CategoryID", "TypeID",
                         "TypeDescription", "PhysicianID", "SenderID", "Sender", "DocumentName", "EncounterDate",
                         "EncounterDateModified", "IsSignedOff", "IsAbnormal", "Notes", "FileData", "UploadKey"}));
  EXPECT_EQ(Columns(sql, QStringLiteral("AuditLog")),
            QStringList({"DocumentID", "ActionID", "ActionDate", "StatusID", "UserID", "PatientID", "PatientName",
                         "CategoryID", "TypeDesc", "DocumentName"}));
  EXPECT_EQ(Columns(sql, QStringLiteral("Exceptions")), QStringList({"DocumentID", "AttemptDate", "Description"}));
  EXPECT_EQ(Columns(sql, QStringLiteral("SourceRemovals")),
            QStringList({"RemovalID", "DocumentID", "SourcePath", "SourceDigest", "PageNumber"}));
  const QStringList settings = Columns(sql, QStringLiteral("UploadSettings"));
  for (const char* name : {"WebSvcAccount", "WebSvcPwd", "WebSvcURL", "DBPwd", "FilePath"}) {
    EXPECT_TRUE(settings.contains(QString::fromLatin1(name))) << name;
  }

  SqlStatement count = sql.Prepare(QStringLiteral("Select count(*) as nCount from Documents Where IsUploaded = 0"));
  ASSERT_TRUE(count.Step());
  EXPECT_EQ(count.Int(QStringLiteral("nCount")), 0);
  EXPECT_FALSE(sql.Prepare(QStringLiteral("Select * from Documents Where IsUploaded = -1")).Step());

  // The password is kept only as a salted digest.
  EXPECT_FALSE(FileBytes().contains(kDatabasePassword.toUtf8()));

  SqliteDatabase db;
  ASSERT_TRUE(db.Connect(path(), kDatabasePassword)) << db.LastErrorDescription().toStdString();
  EXPECT_EQ(db.DocumentsToUpload(), 0);
  EXPECT_EQ(db.GetDocuments().Count(), 0);
  EXPECT_EQ(db.GetExceptions().Count(), 0);
  EXPECT_EQ(db.LastError(), kDbOk);
}

TEST_F(DocumentDatabaseTest, CreateNeverTouchesAnExistingFile) {
  CreateStore();
  ASSERT_GT(StoreOne(QStringLiteral("kept.tif")), 0);
  const QByteArray before = FileBytes();

  SqliteDatabase db;
  EXPECT_FALSE(db.Create(path(), kDatabasePassword));
  EXPECT_EQ(db.LastError(), kDbAlreadyExists);
  EXPECT_TRUE(db.LastErrorDescription().contains(path()));
  EXPECT_EQ(FileBytes(), before);
  EXPECT_EQ(StoredNames(), QStringList{QStringLiteral("kept.tif")});

  // Any file at all under that name, even an empty one, is left alone.
  const QString other = dir_.filePath(QStringLiteral("other.mdb"));
  QFile(other).open(QIODevice::WriteOnly);
  EXPECT_FALSE(db.Create(other, kDatabasePassword));
  EXPECT_EQ(db.LastError(), kDbAlreadyExists);
  EXPECT_EQ(QFileInfo(other).size(), 0);

  EXPECT_FALSE(db.Create(dir_.filePath(QStringLiteral("no such folder/documents.mdb")), kDatabasePassword));
  EXPECT_EQ(db.LastError(), kDbCannotCreate);
  EXPECT_FALSE(db.Create(QString(), kDatabasePassword));
  EXPECT_EQ(db.LastError(), kDbNoPath);
}

TEST_F(DocumentDatabaseTest, ConnectRefusesMissingForeignDamagedAndWrongPassword) {
  SqliteDatabase db;
  EXPECT_FALSE(db.Connect(path(), kDatabasePassword));
  EXPECT_EQ(db.LastError(), kDbMissing);
  EXPECT_FALSE(QFile::exists(path()));  // connecting never creates

  const QString notADatabase = QStringLiteral("'%1' is not a document database or is damaged.");
  const auto expectNotADatabase = [&](const QString& file, const QByteArray& content) {
    SCOPED_TRACE(file.toStdString());
    EXPECT_FALSE(db.Connect(file, kDatabasePassword));
    EXPECT_EQ(db.LastError(), kDbNotADatabase);
    EXPECT_EQ(db.LastErrorDescription(), notADatabase.arg(file));
    QFile read(file);
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    EXPECT_EQ(read.readAll(), content);
  };
  const QString text = dir_.filePath(QStringLiteral("text.mdb"));
  const QByteArray garbage = QByteArray("Standard Jet DB, but not really").repeated(200);
  {
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(garbage);
  }
  expectNotADatabase(text, garbage);

  const QString empty = dir_.filePath(QStringLiteral("empty.mdb"));
  QFile(empty).open(QIODevice::WriteOnly);
  expectNotADatabase(empty, QByteArray());

  const QString foreign = dir_.filePath(QStringLiteral("foreign.mdb"));
  {
    SqlConnection sql(foreign, SqlConnection::Mode::Create);
    sql.Execute(QStringLiteral("CREATE TABLE Documents (DocumentID INTEGER PRIMARY KEY)"));
  }
  const QByteArray foreignBytes = [&] {
    QFile file(foreign);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
  }();
  expectNotADatabase(foreign, foreignBytes);

  // A damaged store: one of its tables gone.
  CreateStore();
  ASSERT_GT(StoreOne(QStringLiteral("a.pdf")), 0);
  {
    SqlConnection sql(path());
    sql.Execute(QStringLiteral("DROP TABLE Exceptions"));
  }
  EXPECT_FALSE(db.Connect(path(), kDatabasePassword));
  EXPECT_EQ(db.LastError(), kDbNotADatabase);
  {
    SqlConnection sql(path());
    sql.Execute(QStringLiteral("CREATE TABLE Exceptions (DocumentID INTEGER, AttemptDate TEXT, Description TEXT)"));
  }

  EXPECT_FALSE(db.Connect(path(), QStringLiteral("qpwxtrbnvkdlsyfo5282")));
  EXPECT_EQ(db.LastError(), kDbWrongPassword);
  EXPECT_EQ(db.LastErrorDescription(), QStringLiteral("The document database password is not correct."));
  EXPECT_FALSE(db.IsConnected());
  EXPECT_LT(db.DocumentsToUpload(), 0);
  EXPECT_EQ(db.LastError(), kDbNotConnected);

  ASSERT_TRUE(db.Connect(path(), kDatabasePassword));
  ASSERT_EQ(db.GetDocuments().Count(), 1);
  EXPECT_EQ(db.GetDocuments().Item(1).DocumentName, QStringLiteral("a.pdf"));
  db.Disconnect();
  EXPECT_FALSE(db.IsConnected());
  EXPECT_EQ(db.GetDocuments().Count(), 0);
  EXPECT_EQ(db.LastError(), kDbNotConnected);
}

TEST_F(DocumentDatabaseTest, WritersWorkWithoutConnectOnFilePathOrTheCreatedPath) {
  // The writers' order: Create only when missing, the five settings, UpdateSettings, one update.
  {
    SqliteDatabase db;
    ASSERT_TRUE(db.Create(path(), kDatabasePassword));
    db.WebSvcAccount = QStringLiteral("jmoreau");
    db.WebSvcPwd = QStringLiteral("secret");
    db.WebSvcURL = QStringLiteral("file:clinic.db");
    db.DBPwd = kDatabasePassword;
    db.FilePath = path();
    ASSERT_TRUE(db.UpdateSettings()) << db.LastErrorDescription().toStdString();
    AuditLog record;
    record.ActionID = kActionPendingUpload;
    record.ActionDate = QDateTime(QDate(2024, 3, 1), QTime(9, 30));
    ASSERT_TRUE(db.UpdateDBWithLog(record)) << db.LastErrorDescription().toStdString();
    EXPECT_FALSE(db.IsConnected());
  }
  {
    // No FilePath or DBPwd: the path and password of the object's Create.
    const QString second = dir_.filePath(QStringLiteral("second.mdb"));
    SqliteDatabase db;
    ASSERT_TRUE(db.Create(second, kDatabasePassword));
    ASSERT_TRUE(db.UpdateSettings()) << db.LastErrorDescription().toStdString();
    SqlConnection sql(second);
    SqlStatement row = sql.Prepare(QStringLiteral("SELECT count(*) AS n FROM UploadSettings"));
    ASSERT_TRUE(row.Step());
    EXPECT_EQ(row.Int(QStringLiteral("n")), 1);
  }
  {
    SqliteDatabase db;
    EXPECT_FALSE(db.UpdateSettings());
    EXPECT_EQ(db.LastError(), kDbNoPath);
    db.FilePath = path();
    db.DBPwd = QStringLiteral("guess");
    EXPECT_FALSE(db.UpdateSettings());
    EXPECT_EQ(db.LastError(), kDbWrongPassword);
    db.FilePath = dir_.filePath(QStringLiteral("missing.mdb"));
    db.DBPwd = kDatabasePassword;
    Document document;
    std::int64_t id = 0;
    EXPECT_FALSE(db.UpdateDBWithIndexedDoc(document, id));
    EXPECT_EQ(db.LastError(), kDbMissing);
    EXPECT_FALSE(QFile::exists(db.FilePath));
  }
  SqlConnection sql(path());
  SqlStatement row = sql.Prepare(QStringLiteral("SELECT WebSvcAccount, WebSvcPwd, FilePath FROM UploadSettings"));
  ASSERT_TRUE(row.Step());
  EXPECT_EQ(row.Text(QStringLiteral("WebSvcAccount")), QStringLiteral("jmoreau"));
  EXPECT_EQ(row.Text(QStringLiteral("WebSvcPwd")), QStringLiteral("secret"));
  EXPECT_EQ(row.Text(QStringLiteral("FilePath")), path());
}

TEST_F(DocumentDatabaseTest, LockedStoreFailsClearlyAndLosesNothing) {
  CreateStore();
  ASSERT_GT(StoreOne(QStringLiteral("before.tif")), 0);
  SqliteDatabase connected(kShortBusyMs);
  ASSERT_TRUE(connected.Connect(path(), kDatabasePassword));
  const QString busy = QStringLiteral("The document database is in use by another program. Try again in a moment.");
  {
    SqlConnection holder(path());
    holder.Execute(QStringLiteral("BEGIN EXCLUSIVE"));

    SqliteDatabase db(kShortBusyMs);
    EXPECT_FALSE(db.Connect(path(), kDatabasePassword));
    EXPECT_EQ(db.LastError(), kDbBusy);
    EXPECT_EQ(db.LastErrorDescription(), busy);

    EXPECT_EQ(StoreOne(QStringLiteral("during.tif")), -kDbBusy);
    EXPECT_LT(connected.DocumentsToUpload(), 0);
    EXPECT_EQ(connected.LastError(), kDbBusy);
    EXPECT_FALSE(connected.DeleteDocument(QStringLiteral("1")));
    EXPECT_EQ(connected.LastErrorDescription(), busy);
    holder.Execute(QStringLiteral("ROLLBACK"));
  }
  // The same objects work again once the lock is gone.
  EXPECT_EQ(connected.DocumentsToUpload(), 0);
  EXPECT_EQ(StoredNames(), QStringList{QStringLiteral("before.tif")});
  EXPECT_GT(StoreOne(QStringLiteral("after.tif"), &connected), 0);
  EXPECT_EQ(StoredNames(), QStringList({"before.tif", "after.tif"}));
}

TEST_F(DocumentDatabaseTest, TwoObjectsShareOneStoreAndAReaderMidReadHoldsOffACommit) {
  CreateStore();
  SqliteDatabase reader(kShortBusyMs);
  SqliteDatabase writer(kShortBusyMs);
  ASSERT_TRUE(reader.Connect(path(), kDatabasePassword));
  ASSERT_TRUE(writer.Connect(path(), kDatabasePassword));

  const std::int64_t first = StoreOne(QStringLiteral("one.tif"), &writer);
  ASSERT_GT(first, 0);
  ASSERT_EQ(reader.GetDocuments().Count(), 1);
  Documents queue = reader.GetDocuments();
  ASSERT_TRUE(reader.UpdateDocuments(queue));
  EXPECT_EQ(writer.DocumentsToUpload(), 1);

  {
    // A reader in the middle of its rows keeps a shared lock: the writer's commit waits, then
    // gives up and rolls back whole.
    SqlConnection midRead(path());
    SqlStatement rows = midRead.Prepare(QStringLiteral("SELECT DocumentID FROM Documents"));
    ASSERT_TRUE(rows.Step());
    EXPECT_EQ(StoreOne(QStringLiteral("two.tif"), &writer), -kDbBusy);
    EXPECT_EQ(writer.LastError(), kDbBusy);
    EXPECT_EQ(reader.GetDocuments().Count(), 1);  // other readers still read
  }
  EXPECT_EQ(StoredNames(), QStringList{QStringLiteral("one.tif")});
  EXPECT_GT(StoreOne(QStringLiteral("two.tif"), &writer), first);
  EXPECT_EQ(reader.GetDocuments().Count(), 2);
  ASSERT_TRUE(reader.DeleteDocument(QString::number(first)));
  EXPECT_EQ(writer.DocumentsToUpload(), 0);
  EXPECT_EQ(writer.GetDocuments().Count(), 1);
}

// Runs body as an unprivileged user (fork and drop to nobody when the tests run as root, where
// folder permissions would not hold) and answers its exit code.
int RunUnprivileged(const std::function<int()>& body) {
  if (geteuid() != 0) return body();
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return 97;
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
    _exit(body());
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) return 96;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

TEST_F(DocumentDatabaseTest, ReadOnlyFolderRefusesWritesAndKeepsTheStore) {
  CreateStore();
  ASSERT_GT(StoreOne(QStringLiteral("kept.tif")), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(QFile::encodeName(path()).constData(), 65534, 65534), 0);
  }
  const QByteArray folder = QFile::encodeName(dir_.path());
  ASSERT_EQ(chmod(folder.constData(), 0555), 0);

  const int outcome = RunUnprivileged([this] {
    SqliteDatabase db(kShortBusyMs);
    const QString fresh = dir_.filePath(QStringLiteral("fresh.mdb"));
    if (db.Create(fresh, kDatabasePassword) || db.LastError() != kDbCannotCreate) return 1;
    if (!QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).contains(QStringLiteral("documents.mdb"))) return 2;
    if (QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size() != 1) return 3;
    if (!db.Connect(path(), kDatabasePassword)) return 4;
    if (db.GetDocuments().Count() != 1) return 5;  // reading still works
    Document document;
    std::int64_t id = 0;
    if (db.UpdateDBWithIndexedDoc(document, id) || db.LastError() != kDbCannotWrite) {
      std::fprintf(stderr, "%d %s\n", db.LastError(), qPrintable(db.LastErrorDescription()));
      return 6;
    }
    if (!db.LastErrorDescription().contains(path())) return 7;
    if (db.DeleteDocument(QStringLiteral("1")) || db.LastError() != kDbCannotWrite) return 8;
    return 0;
  });
  ASSERT_EQ(chmod(folder.constData(), 0700), 0);
  EXPECT_EQ(outcome, 0);
  EXPECT_EQ(StoredNames(), QStringList{QStringLiteral("kept.tif")});
}

}  // namespace
}  // namespace pyxa
