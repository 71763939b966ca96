// The reconciliation window on a real store and the demo clinic: a main window stand-in that
// records what it was asked to show, a scripted save dialog and desktop opener, and helpers that
// store documents with their audit rows the way indexing does.
#pragma once

#include "audit/ui/frmReconciliation.h"
#include "components/DemoClinic.h"
#include "components/LocalClinic.h"
#include "components/ServiceFactory.h"
#include "components/SqliteDatabase.h"
#include "platform/ScriptedPrompter.h"
#include "platform/Sql.h"
#include "shell/FakeService.h"
#include "shell/Session.h"

#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace pyxa::recontest {

inline const QDateTime kToday(QDate(2026, 1, 5), QTime(9, 0));

struct RecordingHost final : ReconciliationHost {
  bool ShowStoredFile(const QString& path) override {
    QFile file(path);
    shownBytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    shown = path;
    return canShow;
  }
  void ClearViewer() override {
    ++cleared;
    shown.clear();
  }
  void StoredDocumentRemoved(std::int64_t documentId) override { removed << documentId; }
  void PrintShownFile(QWidget*, const QString& title) override { printed << shown + QLatin1Char('|') + title; }
  QStringList printed;
  bool canShow = true;
  QString shown;
  QByteArray shownBytes;
  int cleared = 0;
  QList<std::int64_t> removed;
};

struct ScriptedSavePicker final : SaveFilePicker {
  QString SaveFile(const QString& title, const QString& folder, const QString& filter) override {
    asked << title + QLatin1Char('|') + folder + QLatin1Char('|') + filter;
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
  QStringList answers;
  QStringList asked;
};

struct RecordingOpener final : ShellOpener {
  bool Open(const QString& filePath) override {
    opened << filePath;
    return true;
  }
  QStringList opened;
};

inline const QString& DemoClinicTemplate() {
  static QTemporaryDir folder;
  static const QString path = [] {
    const QString file = folder.filePath(QStringLiteral("clinic.sqlite"));
    ManualClock clock(kToday);
    QString error;
    if (!CreateDemoClinic(file, clock, error, {64})) ADD_FAILURE() << error.toStdString();
    return file;
  }();
  return path;
}

class ReconciliationWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    settings.AvailableFolder = dir.filePath(QStringLiteral("Available Files")) + QLatin1Char('/');
    settings.UploadsFolder = dir.filePath(QStringLiteral("Uploads")) + QLatin1Char('/');
    previews = dir.filePath(QStringLiteral("previews")) + QLatin1Char('/');
    QDir().mkpath(settings.AvailableFolder);
    QDir().mkpath(settings.UploadsFolder);
    clinic = dir.filePath(QStringLiteral("clinic.sqlite"));
    ASSERT_TRUE(QFile::copy(DemoClinicTemplate(), clinic));
    QFile::setPermissions(clinic, QFile::ReadOwner | QFile::WriteOwner);
    const QString url = ClinicUrlForPath(clinic);
    auto service = std::make_unique<LocalClinic>(url, clock);
    service->Connect(QStringLiteral("demo"), QStringLiteral("demo"), url);
    session.Replace(std::move(service));
    session.SetCredentials(QStringLiteral("demo"), QStringLiteral("demo"), url);
  }

  // A scripted service instead of the clinic, for failures at a chosen call.
  void UseFakeService() { session.Replace(std::make_unique<testing::FakeService>(fakeLog)); }

  QString Store() const { return settings.UploadsFolder + QStringLiteral("documents.mdb"); }

  // Stores a document as indexing does, with its PENDING UPLOAD row at `when`; answers its ID.
  qint64 StoreDocument(const QString& name, const QByteArray& bytes, qint64 category = 1, qint64 encounter = 0,
                       const QDateTime& when = kToday.addSecs(-3600), const QString& pageText = {}) {
    SqliteDatabase database;
    if (!QFile::exists(Store())) {
      EXPECT_TRUE(database.Create(Store(), kDatabasePassword));
    }
    EXPECT_TRUE(database.Connect(Store(), kDatabasePassword));
    Document document;
    document.UserID = kDemoUserId;
    document.PatientID = kDemoFirstPatientId;
    document.PhysicianID = kDemoFirstPhysicianId;
    document.CategoryID = category;
    document.EncounterID = encounter;
    document.DocumentTypeDesc = QStringLiteral("Hematology");
    document.DocumentName = name;
    document.DocumentDate = QDateTime(QDate(2025, 12, 24), QTime(14, 5, 9));
    document.FileData = bytes;
    document.PageText = pageText;
    std::int64_t id = 0;
    EXPECT_TRUE(database.UpdateDBWithIndexedDoc(document, id));
    Log(id, when, kActionPendingUpload, name);
    return id;
  }
  void Log(qint64 id, const QDateTime& when, std::int32_t action = kActionPendingUpload, const QString& name = {}) {
    SqliteDatabase database;
    EXPECT_TRUE(database.Connect(Store(), kDatabasePassword));
    AuditLog record;
    record.DocumentID = id;
    record.ActionID = action;
    record.ActionDate = when;
    record.DocumentName = name;
    EXPECT_TRUE(database.UpdateDBWithLog(record));
  }
  // Answers a one-number query on the store ("... AS n").
  qint64 Count(const QString& sql, const QString& path = {}) {
    SqlConnection connection(path.isEmpty() ? Store() : path);
    auto query = connection.Prepare(sql);
    return query.Step() ? query.Int(QStringLiteral("n")) : -1;
  }

  std::unique_ptr<frmReconciliation> Open() {
    auto window = std::make_unique<frmReconciliation>(
        ReconciliationServices{settings, session, databases, prompter, picker, opener, clock, host, previews});
    window->show();
    return window;
  }
  static QTreeWidget* List(frmReconciliation& window) {
    return window.findChild<QTreeWidget*>(QStringLiteral("lvResults"));
  }
  static QPushButton* Button(frmReconciliation& window, const char* name) {
    return window.findChild<QPushButton*>(QString::fromLatin1(name));
  }
  static void Click(frmReconciliation& window, const char* name) {
    QPushButton* button = Button(window, name);
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  static void ClickRow(frmReconciliation& window, int row) {
    QTreeWidget* list = List(window);
    QTreeWidgetItem* item = list->topLevelItem(row);
    ASSERT_NE(item, nullptr);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
  }
  static QStringList Column(frmReconciliation& window, int column) {
    QStringList texts;
    QTreeWidget* list = List(window);
    for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(column);
    return texts;
  }
  QStringList PreviewFiles() const { return QDir(previews).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir dir;
  AppSettings settings;
  QString previews, clinic;
  ManualClock clock{kToday};
  Session session;
  testing::FakeServiceLog fakeLog;
  SqliteDatabaseFactory databases;
  ScriptedPrompter prompter;
  ScriptedSavePicker picker;
  RecordingOpener opener;
  RecordingHost host;
};

}  // namespace pyxa::recontest
