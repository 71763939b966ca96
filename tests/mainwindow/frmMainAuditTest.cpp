// The Log menu opens the audit log over the window's store, with category names by identifier; it is
// off when the program has no audit windows.
#include "MainWindowFixture.h"

#include <QMenuBar>

#include "mainwindow/ui/AuditWindows.h"

namespace pyxa::testing {
namespace {

struct RecordedAudit final : AuditWindows {
  void OpenAuditLog(const AuditWindowContext& context) override {
    ++opened;
    storePath = context.storePath;
    category4 = context.categoryName(4);
  }
  int opened = 0;
  QString storePath, category4;
};

TEST_F(MainWindowTest, TheLogMenuOpensTheAuditLogOverTheStore) {
  RecordedAudit audit;
  MainWindowServices services{settings, store, session, prompter, login, databases, picker, &upload, viewer, chooser,
                              &clock};
  for (const bool present : {false, true}) {
    services.audit = present ? &audit : nullptr;
    window = std::make_unique<frmMain>(services);
    window->Form_Load();
    window->show();
    QAction* menu = window->findChild<QAction*>(QStringLiteral("mnuLog"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->isEnabled(), present);
    auto* bar = window->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu).center());
  }
  EXPECT_EQ(audit.opened, 1);
  EXPECT_EQ(audit.storePath, settings.UploadsFolder + QStringLiteral("documents.mdb"));
  EXPECT_EQ(audit.category4, QStringLiteral("Clinical Notes"));  // by identifier, not by place in the list
}

}  // namespace
}  // namespace pyxa::testing
