// The main window's Log menu: the audit windows over the store, with the window's own categories and
// date style.
#include "mainwindow/ui/AuditWindows.h"
#include "mainwindow/ui/frmMain.h"

namespace pyxa {

void frmMain::mnuLog_Click() {
  if (!services_.audit) return;
  try {
    AuditWindowContext context;
    context.storePath = counts_.StorePath();
    context.usDates = Country2();
    // Names by identifier: a category's place in the list is not its identifier.
    context.categoryName = [this](qint64 id) { return references_.GetCategory(QStringLiteral("Name"), QString::number(id)); };
    context.parent = this;
    services_.audit->OpenAuditLog(context);
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

}  // namespace pyxa
