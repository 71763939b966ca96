// The main window on fakes: a scripted service, prompter, file picker and upload actions,
// with real settings folders in a temporary directory.
#pragma once

#include <functional>

#include "common/TestTiff.h"
#include "components/SqliteDatabase.h"
#include "mainwindow/ui/frmMain.h"
#include "platform/ScriptedPrompter.h"
#include "shell/FakeService.h"
#include "shell/MemoryRegistry.h"

#include <QAction>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTreeWidget>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace pyxa::testing {

struct CountingLogin final : LoginPrompt {
  bool ShowLogin() override { return ++shown, true; }
  int shown = 0;
};

struct ScriptedPicker final : FilePicker {
  QStringList OpenFiles(const QString& title, const QString& filter) override {
    asked << title + QLatin1Char('|') + filter;
    return answer;
  }
  QStringList answer;
  QStringList asked;
};

// The upload program as a script: whether it is there, and for how many looks it still runs.
struct ScriptedUploader final : UploadProcess {
  QString Path() const override { return QStringLiteral("/opt/pyxadesk/UploadDocuments"); }
  bool Exists() const override { return exists; }
  bool IsRunning() const override { return runningLooks > 0 && runningLooks--; }
  bool Start() override {
    calls << QStringLiteral("start");
    runningLooks = runsFor;
    if (work) work();
    return true;
  }
  std::function<void()> work;  // what the program does to the store while it runs
  bool exists = true;
  mutable int runningLooks = 0;
  int runsFor = 3;
  QStringList calls;
};

// A viewer that pages through a file of a given page count.
struct PagingViewer final : PageViewer {
  ViewerResult DisplayFile(const QString& path) override {
    file = path;
    page = path.isEmpty() ? 0 : 1;
    return {};
  }
  QString CurrentFileName() const override { return file; }
  int CurrentPage() const override { return page; }
  int PageCount() const override { return file.isEmpty() ? 0 : pages; }
  ViewerResult ChangePage(int to) override {
    if (to < 1 || to > pages) return {2008, QStringLiteral("bad page")};
    page = to;
    return {};
  }
  void Fit(FitMode) override {}
  void Zoom(int) override {}
  bool CanEditPages() const override { return false; }
  ViewerResult Rotate() override { return {}; }
  ViewerResult DeleteCurrentPage() override { return {}; }
  bool HasNoPages() const override { return false; }
  bool HasUnsavedChanges() const override { return false; }
  ViewerResult Save() override { return {}; }
  ViewerResult Undo() override { return {}; }
  QString file;
  int page = 0;
  int pages = 3;
};

// Chooses an entry as a mouse user does: opens the list and clicks the entry.
inline void ChooseEntry(QComboBox* box, int index) {
  ASSERT_TRUE(box->isEnabled());
  box->showPopup();
  QAbstractItemView* list = box->view();
  const QRect entry = list->visualRect(list->model()->index(index, box->modelColumn()));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    folder = dir.path() + QStringLiteral("/");
    session.Replace(std::make_unique<FakeService>(log));
    session.SetCredentials(QStringLiteral("demo"), QStringLiteral("demo"), QStringLiteral("file:///c"));
    settings.WebServiceURL = QStringLiteral("file:///c");
    settings.AvailableFolder = folder + QStringLiteral("Available Files/");
    settings.UploadsFolder = folder + QStringLiteral("Uploads/");
    QDir().mkpath(settings.AvailableFolder);
    QDir().mkpath(settings.UploadsFolder);
    Build();
  }
  // (Re)creates the window, e.g. after a test chose another viewer.
  void Build() {
    MainWindowServices services{settings, store,   session, prompter, login, databases,
                                picker,   &upload, viewer,  chooser,  &clock};
    services.storingCheckpoint = checkpoint;
    services.printers = printers;
    services.saveFiles = saveFiles;
    services.printFolder = folder;
    window = std::make_unique<frmMain>(services);
  }
  template <typename T>
  T* Find(const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
  }
  QAction* Action(const char* name) { return window->findChild<QAction*>(QString::fromLatin1(name)); }
  // Browses a waiting "batch.tif", chooses it and starts indexing it.
  void IndexWaitingFile(int pages = 3) {
    ASSERT_TRUE(WriteMarkedTiff(settings.AvailableFolder + QStringLiteral("batch.tif"), pages));
    window->cmdFile_Click();
    auto* files = Find<QTreeWidget>("sstFiles");
    auto found = files->findItems(QStringLiteral("batch.tif"), Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_FALSE(found.isEmpty());
    files->setCurrentItem(found.first());
    window->cmdIndex_Click();
  }

  QTemporaryDir dir;
  QString folder;
  MemoryRegistry registry;
  SettingsStore store{registry, QString(), QString()};
  AppSettings settings;
  FakeServiceLog log;
  Session session;
  ScriptedPrompter prompter;
  CountingLogin login;
  SqliteDatabaseFactory databases;
  ScriptedPicker picker;
  ScriptedUploader upload;
  PageViewer* viewer = nullptr;
  PatientChooser* chooser = nullptr;  // the results window when null
  const std::function<void(const char*)>* checkpoint = nullptr;  // called at each step of storing
  PrinterPort* printers = nullptr;  // Print stays off without a print service
  SaveFilePicker* saveFiles = nullptr;
  ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(9, 15))};
  std::unique_ptr<frmMain> window;
};

}  // namespace pyxa::testing
