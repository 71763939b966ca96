// What the main window's Log and Reconciliation menus ask of the audit windows. The composition root
// gives the real ones; the menus stay off without them.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace pyxa {

struct AuditWindowContext {
  QString storePath;                                // the document store
  bool usDates = false;                             // the user's country writes dates month first
  std::function<QString(qint64)> categoryName;      // a category identifier's name
  QWidget* parent = nullptr;
};

class AuditWindows {
 public:
  virtual ~AuditWindows() = default;
  // Shows the audit log window until the user closes it.
  virtual void OpenAuditLog(const AuditWindowContext& context) = 0;
  // Shows the reconciliation window until the user closes it; it previews and removes stored documents
  // through the main window's public preview and removal calls.
  virtual void OpenReconciliation(const AuditWindowContext& context) = 0;
};

}  // namespace pyxa
