// The main window on fakes: a scripted service, prompter, file picker and upload actions,
// with real settings folders in a temporary directory.
#pragma once

#include "components/SqliteDatabase.h"
#include "mainwindow/ui/frmMain.h"
#include "platform/ScriptedPrompter.h"
#include "shell/FakeService.h"
#include "shell/MemoryRegistry.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
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

struct RecordingUpload final : UploadActions {
  void QueueIndexedDocuments() override { calls << QStringLiteral("queue"); }
  void UnlockUnusedEncounters() override { calls << QStringLiteral("unlock"); }
  QStringList calls;
};

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
    window = std::make_unique<frmMain>(
        MainWindowServices{settings, store, session, prompter, login, databases, picker, &upload, viewer, chooser, &clock});
  }
  template <typename T>
  T* Find(const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
  }
  QAction* Action(const char* name) { return window->findChild<QAction*>(QString::fromLatin1(name)); }

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
  RecordingUpload upload;
  PageViewer* viewer = nullptr;
  PatientChooser* chooser = nullptr;  // the results window when null
  ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(9, 15))};
  std::unique_ptr<frmMain> window;
};

}  // namespace pyxa::testing
