// Tools > Options from the main window: OK stores the preferences and says so (or that the settings file
// kept its old values); Cancel stores nothing although a scanner kind switched in the window stays
// switched for the run.
#include "MainWindowFixture.h"

#include <QMenu>
#include <QRadioButton>

#include "shell/ui/frmPrefs.h"

namespace pyxa::testing {
namespace {

TEST_F(MainWindowTest, OptionsStoresThePreferencesOnlyAfterOk) {
  MainWindowServices services{settings, store, session, prompter, login, databases, picker, &upload, viewer, chooser,
                              &clock};
  services.makeService = [this](const QString&) { return std::make_unique<FakeService>(log); };
  window = std::make_unique<frmMain>(services);
  window->Form_Load();
  QAction* options = window->findChild<QAction*>(QStringLiteral("mnuToolsOptions"));
  ASSERT_TRUE(options->isEnabled());

  for (const bool ok : {false, true}) {
    SCOPED_TRACE(ok);
    prompter.Clear();
    QTimer::singleShot(0, [ok] {
      auto* prefs = qobject_cast<frmPrefs*>(QApplication::activeModalWidget());
      ASSERT_NE(prefs, nullptr);
      QTest::mouseClick(prefs->findChild<QRadioButton*>(QStringLiteral("optKofax")), Qt::LeftButton);
      QTest::mouseClick(prefs->findChild<QPushButton*>(ok ? QStringLiteral("cmdOK") : QStringLiteral("cmdCancel")),
                        Qt::LeftButton);
    });
    options->trigger();  // the menu item, as the keyboard's Alt+T, O would
    EXPECT_TRUE(settings.Kofax);  // switched in memory at once
    const QString stored = registry.Value(Hive::Machine, QStringLiteral("Kofax")).value_or(QString());
    EXPECT_EQ(stored.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0, ok) << stored.toStdString();
    EXPECT_EQ(prompter.Texts(), ok ? QStringList{QStringLiteral("Preferences updated.")} : QStringList());
    settings.Kofax = false;
  }

  // A settings file that keeps its old values is said so.
  registry.FailReads(Hive::Machine, QStringLiteral("WebService_URL"), 13);
  prompter.Clear();
  QTimer::singleShot(0, [] {
    QTest::mouseClick(QApplication::activeModalWidget()->findChild<QPushButton*>(QStringLiteral("cmdOK")),
                      Qt::LeftButton);
  });
  options->trigger();
  ASSERT_EQ(prompter.Count(), 1);
  EXPECT_TRUE(prompter.Texts().first().startsWith(QStringLiteral("Failed to update preferences.\n")))
      << prompter.Texts().first().toStdString();
}

}  // namespace
}  // namespace pyxa::testing
