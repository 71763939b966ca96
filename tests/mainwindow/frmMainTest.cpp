#include "MainWindowFixture.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace pyxa {
namespace {

using testing::MainWindowTest;

TEST_F(MainWindowTest, EveryMenuCommandIsThereWithItsCaption) {
  const std::pair<const char*, const char*> expected[] = {
      {"mnuFileOpenScan", "&Scanner"},       {"mnuFileOpenFiles", "&File"},        {"mnuFileSave", "Save"},
      {"mnuFilePrint", "&Print"},            {"mnuFileExit", "E&xit"},             {"mnuEditUndo", "&Undo"},
      {"mnuEditDelete", "&Delete"},          {"mnuEditRotate", "&Rotate"},         {"mnuToolsOptions", "&Options"},
      {"mnuActionsSave", "Save Documents"},  {"mnuActionsUpload", "Upload"},       {"mnuActionsUploadNow", "Upload Now"},
      {"mnuRecon", "&Reconciliation"},       {"mnuLog", "&Log"},                   {"mnuAbout", "A&bout"},
      {"mnuHelopAbout", "&About Corvantis Pyxa"}, {"popRemoveNode", "Remove Page"}, {"popRemoveDoc", "Remove Document"},
  };
  for (const auto& [name, caption] : expected) {
    QAction* action = Action(name);
    ASSERT_NE(action, nullptr) << name;
    EXPECT_EQ(action->text(), QString::fromUtf8(caption)) << name;
  }
  for (const char* menu : {"mnuFile", "mnuFileOpen", "mnuEdit", "mnuTools", "mnuActions", "mnuHelp"}) {
    EXPECT_NE(window->findChild<QMenu*>(QString::fromLatin1(menu)), nullptr) << menu;
  }
  // Nothing to upload yet: the Actions menu follows its upload commands.
  EXPECT_FALSE(window->findChild<QMenu*>(QStringLiteral("mnuActions"))->menuAction()->isEnabled());
}

TEST_F(MainWindowTest, LoadAsksForTheReferenceListsAndCountryAndStartsTheKeepAlive) {
  log.country = QStringLiteral("2");
  window->Form_Load();
  EXPECT_EQ(log.calls, (QStringList{QStringLiteral("GetCategories"), QStringLiteral("GetUsersCountry(17)")}));
  EXPECT_TRUE(window->References().HidesHealthCard());
  EXPECT_EQ(RowCount(window->References().categories), 2);
  EXPECT_TRUE(window->LiveTimer().isActive());
  EXPECT_EQ(window->LiveTimer().interval(), 60000);
}

TEST_F(MainWindowTest, AFailureDuringLoadShowsOnlyTheGenericMessage) {
  log.failures = {QStringLiteral("session timed out"), QStringLiteral("session timed out")};
  window->Form_Load();
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text,
            QStringLiteral("An error has occurred.\n#-2147467259\nDescription: session timed out"));
  EXPECT_EQ(login.shown, 0);
}

TEST_F(MainWindowTest, AStoreThatCannotBeReadAtLoadIsReportedWithItsOwnNumber) {
  QFile damaged(settings.UploadsFolder + QStringLiteral("documents.mdb"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write(QByteArray(4096, 'x'));
  damaged.close();
  window->Form_Load();
  ASSERT_FALSE(prompter.Prompts().empty());
  for (const QString& text : prompter.Texts())
    EXPECT_FALSE(text.contains(QStringLiteral("#0\n"))) << text.toStdString();
  EXPECT_TRUE(
      prompter.Texts().contains(QStringLiteral("An error has occurred.\n#26\nDescription: file is not a database")))
      << prompter.Texts().join(QStringLiteral(" | ")).toStdString();
}

TEST_F(MainWindowTest, ExitAsksAndNoKeepsTheWindowOpen) {
  window->show();
  prompter.Script(PromptAnswer::No);
  window->findChild<QPushButton*>(QStringLiteral("cmdExit"))->click();
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text, QStringLiteral("You are Exiting Pyxa, Continue?"));
  EXPECT_EQ(prompter.Prompts()[0].buttons, PromptButtons::YesNo);
  EXPECT_EQ(prompter.Prompts()[0].icon, PromptIcon::Question);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(registry.Writes().isEmpty());
}

TEST_F(MainWindowTest, ExitYesClosesAndSavesTheGeometryAndSettings) {
  window->setGeometry(100, 80, 900, 600);
  window->show();
  prompter.Script(PromptAnswer::Yes);
  Action("mnuFileExit")->trigger();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(settings.MainFormWidth, 900);
  EXPECT_EQ(settings.MainFormHeight, 600);
  EXPECT_EQ(registry.Value(Hive::User, QStringLiteral("MainForm_Width")), QStringLiteral("900"));
  EXPECT_EQ(registry.Value(Hive::Machine, QStringLiteral("LastLogin")), settings.LastLogin);
}

TEST_F(MainWindowTest, AMinimisedWindowKeepsTheStoredGeometry) {
  settings.MainFormLeft = 10;
  settings.MainFormTop = 20;
  settings.MainFormWidth = 800;
  settings.MainFormHeight = 500;
  window->show();
  window->showMinimized();
  prompter.Script(PromptAnswer::Yes);
  window->cmdExit_Click();
  EXPECT_EQ(settings.MainFormLeft, 10);
  EXPECT_EQ(settings.MainFormWidth, 800);
  EXPECT_EQ(registry.Value(Hive::User, QStringLiteral("MainForm_Left")), QStringLiteral("10"));
}

TEST_F(MainWindowTest, AboutShowsTheVersion) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(about, nullptr);
    auto* version = about->findChild<QLabel*>(QStringLiteral("lblVersion"));
    seen = version && version->text() == QStringLiteral("Version 2.5.2");
    about->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
  });
  Action("mnuAbout")->trigger();
  EXPECT_TRUE(seen);
}

TEST_F(MainWindowTest, TheKeepAliveTickReconnectsAnExpiredSession) {
  log.failures = {QStringLiteral("session timed out")};
  window->Form_Load();
  log.calls.clear();
  log.failures = {QStringLiteral("session timed out")};
  window->LiveTimer_Timer();
  EXPECT_EQ(log.calls.count(QStringLiteral("GetServerTime")), 2);
  EXPECT_TRUE(prompter.Prompts().empty());
}

}  // namespace
}  // namespace pyxa
