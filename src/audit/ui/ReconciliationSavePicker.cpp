#include "audit/ui/ReconciliationSavePicker.h"

#include <QFileDialog>

namespace pyxa {

QString ReconciliationQtSavePicker::SaveFile(const QString& title, const QString& folder, const QString& filter) {
  // The window never replaces a file, so the dialog need not ask about it.
  return QFileDialog::getSaveFileName(parent_, title, folder, filter, nullptr, QFileDialog::DontConfirmOverwrite);
}

}  // namespace pyxa
