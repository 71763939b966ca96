// The configuration window as an administrator meets it: the address test with its question and
// credentials, the scanner kind switched in memory at once, OK refusing a time-out that is no number,
// and the clean-ups that never lose the shown file's edits or a store with documents waiting.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "platform/ScriptedPrompter.h"
#include "shell/AppSettings.h"
#include "shell/FakeService.h"
#include "shell/ui/PreferencesHost.h"
#include "shell/ui/frmPrefs.h"

namespace pyxa {
namespace {

using testing::FakeService;
using testing::FakeServiceLog;

struct RecordedHost final : PreferencesHost {
  void ScannerKindChanged() override { ++kindChanges; }
  void SelectScanner() override { ++selections; }
  void EditScenario() override { ++scenarios; }
  bool ReleaseShownFile() override { return ++releases, releaseAnswer; }
  void RefreshFiles() override { ++refreshes; }
  int StoredDocuments() override { return stored; }
  int kindChanges = 0, selections = 0, scenarios = 0, releases = 0, refreshes = 0, stored = 0;
  bool releaseAnswer = true;
};

// Runs act on the next modal window once it is up.
void OnModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    act(modal);
  });
}

template <typename T>
T* Find(QWidget* w, const char* name) {
  return w->findChild<T*>(QString::fromLatin1(name));
}
void Click(QWidget* w, const char* name) { QTest::mouseClick(Find<QAbstractButton>(w, name), Qt::LeftButton); }
void Type(QWidget* w, const char* name, const QString& text) {
  auto* edit = Find<QLineEdit>(w, name);
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

class PrefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.WebServiceURL = QStringLiteral("file:///srv/clinic.sqlite");
    settings.WebServiceTimeout = 0;
    settings.AvailableFolder = dir.path() + QStringLiteral("/Available Files/");
    settings.UploadsFolder = dir.path() + QStringLiteral("/Uploads/");
    QDir().mkpath(settings.AvailableFolder);
    QDir().mkpath(settings.UploadsFolder);
  }
  std::unique_ptr<frmPrefs> Open() {
    return std::make_unique<frmPrefs>(
        settings, 45,
        [this](const QString&) {
          ++servicesMade;
          return std::make_unique<FakeService>(log);
        },
        prompter, host, settings.UploadsFolder + QStringLiteral("documents.mdb"));
  }
  void Make(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }

  QTemporaryDir dir;
  AppSettings settings;
  FakeServiceLog log;
  ScriptedPrompter prompter;
  RecordedHost host;
  int servicesMade = 0;
};

TEST_F(PrefsTest, TheAddressTestAsksOnlyWhatItMustAndStoresNothing) {
  auto prefs = Open();
  EXPECT_EQ(Find<QLineEdit>(prefs.get(), "txtWSTimeout")->text(), QStringLiteral("45"));  // 0: the service's own
  struct Case {
    const char* url;
    bool asked;
  };
  for (const Case c : {Case{"HtTpS://clinic.example/ws", false}, Case{"file:///srv/clinic.sqlite", false},
                       Case{"http://clinic.example/ws", true}}) {
    SCOPED_TRACE(c.url);
    prompter.Clear();
    Type(prefs.get(), "txtURL", QString::fromLatin1(c.url));
    const int made = servicesMade;
    if (c.asked) {
      prompter.Script(PromptAnswer::No);
    } else {
      OnModal([](QWidget* w) { Click(w, "cmdCancel"); });  // the credentials window: cancelled, no message
    }
    Click(prefs.get(), "cmdTest");
    EXPECT_EQ(prompter.Count(), c.asked ? 1 : 0) << prompter.Texts().join(u'|').toStdString();
    EXPECT_EQ(servicesMade - made, c.asked ? 0 : 1);
    if (c.asked) {
      EXPECT_EQ(Find<QLineEdit>(prefs.get(), "txtURL")->selectedText(), QString::fromLatin1(c.url));
    }
  }

  // Empty credentials are refused and the window stays; entered ones connect a service object of its own.
  prompter.Clear();
  Type(prefs.get(), "txtURL", QStringLiteral("https://clinic.example/ws"));
  OnModal([](QWidget* w) {
    Click(w, "cmdOK");
    Type(w, "txtUsername", QStringLiteral("demo"));
    Type(w, "txtPassword", QStringLiteral("demo"));
    Click(w, "cmdOK");
  });
  Click(prefs.get(), "cmdTest");
  EXPECT_EQ(prompter.Texts(), QStringList({"Please enter a Username and Password.", "Connected to CVI_PATSRCH.asmx"}));
  EXPECT_TRUE(log.calls.contains(QStringLiteral("Connect(demo,demo,https://clinic.example/ws)")));

  prompter.Clear();
  log.connectFailures = {QStringLiteral("Login failed")};
  OnModal([](QWidget* w) {
    Type(w, "txtUsername", QStringLiteral("demo"));
    Type(w, "txtPassword", QStringLiteral("wrong"));
    Click(w, "cmdOK");
  });
  Click(prefs.get(), "cmdTest");
  ASSERT_EQ(prompter.Count(), 1);
  EXPECT_TRUE(prompter.Texts().first().startsWith(QStringLiteral("An error has occurred.\nError #")));
  EXPECT_TRUE(prompter.Texts().first().contains(QStringLiteral("Description: Login failed")));
  EXPECT_EQ(settings.WebServiceURL, QStringLiteral("file:///srv/clinic.sqlite"));  // the test stores nothing
}

TEST_F(PrefsTest, TheKindChangesAtOnceAndOkTakesOnlyANumberForTheTimeOut) {
  auto prefs = Open();
  EXPECT_FALSE(Find<QPushButton>(prefs.get(), "btnSelectScanner")->isEnabled());
  Click(prefs.get(), "optKofax");
  EXPECT_TRUE(settings.Kofax);  // in memory at once, whatever the window's end
  EXPECT_EQ(host.kindChanges, 1);
  Click(prefs.get(), "btnSelectScanner");
  Click(prefs.get(), "cmdKofaxSettings");
  EXPECT_EQ(host.selections, 1);
  EXPECT_EQ(host.scenarios, 1);

  // The sheet choices: kinds follow the main switch; nothing changes before OK.
  Click(prefs.get(), "chkSheetPatches");
  Click(prefs.get(), "chkKeepSheets");
  Click(prefs.get(), "chkReadPages");
  Click(prefs.get(), "chkFindSheets");
  EXPECT_FALSE(Find<QWidget>(prefs.get(), "chkSheetCovers")->isEnabled());
  Click(prefs.get(), "chkFindSheets");
  EXPECT_EQ(settings.SheetKinds, kSheetCovers | kSheetSeparators | kSheetPatches);

  Type(prefs.get(), "txtWSTimeout", QStringLiteral("soon"));
  Click(prefs.get(), "cmdOK");
  EXPECT_EQ(prefs->Tag(), QString());
  EXPECT_TRUE(prompter.Texts().last().contains(QStringLiteral("0 to 32767")));
  Type(prefs.get(), "txtWSTimeout", QStringLiteral("90"));
  Type(prefs.get(), "txtURL", QStringLiteral("  https://clinic.example/ws  "));
  Click(prefs.get(), "cmdOK");
  EXPECT_EQ(prefs->Tag(), QStringLiteral("OK"));
  EXPECT_EQ(prefs->Timeout(), 90);
  EXPECT_EQ(prefs->Url(), QStringLiteral("https://clinic.example/ws"));
  EXPECT_TRUE(prefs->Kofax());
  EXPECT_EQ(settings.FindSheets, 1);
  EXPECT_EQ(settings.SheetKinds, kSheetCovers | kSheetSeparators);
  EXPECT_EQ(settings.KeepSheetPages, 1);
  EXPECT_EQ(settings.ReadPages, 0);
}

TEST_F(PrefsTest, CleanUpsKeepEditsAndAStoreWithDocumentsWaiting) {
  auto prefs = Open();
  Make(settings.AvailableFolder + QStringLiteral("batch.tif"));
  host.releaseAnswer = false;  // the user kept the shown file's edits
  prompter.Script(PromptAnswer::Ok);
  Click(prefs.get(), "cmdDelDocs");
  EXPECT_TRUE(QFile::exists(settings.AvailableFolder + QStringLiteral("batch.tif")));
  host.releaseAnswer = true;
  prompter.Script(PromptAnswer::Ok);
  Click(prefs.get(), "cmdDelDocs");
  EXPECT_FALSE(QFile::exists(settings.AvailableFolder + QStringLiteral("batch.tif")));
  EXPECT_EQ(host.refreshes, 1);
  prompter.Script(PromptAnswer::Ok);
  Click(prefs.get(), "cmdDelDocs");  // already empty: clean, not a failure
  EXPECT_EQ(prompter.Texts().last(), QStringLiteral("Clean up scanned documents folder?"));

  Make(settings.UploadsFolder + QStringLiteral("documents.mdb"));
  Make(settings.UploadsFolder + QStringLiteral("old.log"));
  host.stored = 2;
  prompter.Clear();
  prompter.Script(PromptAnswer::Ok);
  Click(prefs.get(), "cmdDelMDB");
  EXPECT_EQ(prompter.Prompts().first().title, QStringLiteral("Clean up folder content"));
  EXPECT_TRUE(QFile::exists(settings.UploadsFolder + QStringLiteral("documents.mdb")));
  EXPECT_FALSE(QFile::exists(settings.UploadsFolder + QStringLiteral("old.log")));
  EXPECT_EQ(prompter.Texts().last(),
            QStringLiteral("The document store was kept: 2 stored documents have not been uploaded yet."));

  prompter.Clear();
  prompter.Script(PromptAnswer::Cancel);
  host.stored = 0;
  Click(prefs.get(), "cmdDelMDB");
  EXPECT_TRUE(QFile::exists(settings.UploadsFolder + QStringLiteral("documents.mdb")));  // Cancel: nothing goes
}

}  // namespace
}  // namespace pyxa
