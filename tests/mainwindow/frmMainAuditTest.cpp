// The Log and Reconciliation menus open the audit windows over the window's store, with category names
// by identifier; a stored document's copy shown for reconciliation is only looked at, and the view is
// empty again when reconciliation closes. Both menus are off when the program has no audit windows.
#include "MainWindowFixture.h"

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

#include "common/TestTiff.h"
#include "mainwindow/ui/AuditWindows.h"

namespace pyxa::testing {
namespace {

struct RecordedAudit final : AuditWindows {
  void OpenAuditLog(const AuditWindowContext& context) override {
    ++logs;
    storePath = context.storePath;
    category4 = context.categoryName(4);
  }
  void OpenReconciliation(const AuditWindowContext& context) override {
    ++reconciliations;
    auto* main = qobject_cast<frmMain*>(context.parent);
    shown = main->ShowStoredFile(preview);
    rotateDuringPreview = main->findChild<QAction*>(QStringLiteral("btnRotate"))->isEnabled();
    indexDuringPreview = main->findChild<QPushButton*>(QStringLiteral("cmdIndex"))->isEnabled();
    pagesDuringPreview = main->findChild<QLabel*>(QStringLiteral("NumOfPages"))->text();
  }
  int logs = 0, reconciliations = 0;
  QString storePath, category4, preview, pagesDuringPreview;
  bool shown = false, rotateDuringPreview = true, indexDuringPreview = true;
};

void ClickMenu(QMainWindow& window, const char* name) {
  QAction* menu = window.findChild<QAction*>(QString::fromLatin1(name));
  ASSERT_NE(menu, nullptr);
  auto* bar = window.menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu).center());
}

TEST_F(MainWindowTest, TheAuditMenusOpenTheirWindowsOverTheStore) {
  RecordedAudit audit;
  audit.preview = folder + QStringLiteral("zzzpreview.tif");
  ASSERT_TRUE(WriteMarkedTiff(audit.preview, 2));
  MainWindowServices services{settings, store, session, prompter, login, databases, picker, &upload, viewer, chooser,
                              &clock};
  for (const bool present : {false, true}) {
    services.audit = present ? &audit : nullptr;
    window = std::make_unique<frmMain>(services);
    window->Form_Load();
    window->show();
    EXPECT_EQ(window->findChild<QAction*>(QStringLiteral("mnuLog"))->isEnabled(), present);
    EXPECT_EQ(window->findChild<QAction*>(QStringLiteral("mnuRecon"))->isEnabled(), present);
    ClickMenu(*window, "mnuLog");
    ClickMenu(*window, "mnuRecon");
  }
  EXPECT_EQ(audit.logs, 1);
  EXPECT_EQ(audit.storePath, settings.UploadsFolder + QStringLiteral("documents.mdb"));
  EXPECT_EQ(audit.category4, QStringLiteral("Clinical Notes"));  // by identifier, not by place in the list
  EXPECT_EQ(audit.reconciliations, 1);
  EXPECT_TRUE(audit.shown);
  EXPECT_FALSE(audit.rotateDuringPreview);
  EXPECT_FALSE(audit.indexDuringPreview);
  EXPECT_EQ(audit.pagesDuringPreview, QStringLiteral("/ 2"));  // the copy's own pages, not the last file's
  EXPECT_EQ(window->Viewer().CurrentFileName(), QString());  // the copy is not left on screen
}

}  // namespace
}  // namespace pyxa::testing
