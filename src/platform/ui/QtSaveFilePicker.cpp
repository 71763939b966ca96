#include "platform/ui/QtSaveFilePicker.h"

#include <QFileDialog>
#include <QStringList>

namespace pyxa {

// "Label (*.ext)|*.ext|..." pairs become the dialog's "Label (*.ext);;..." list; a list in the
// dialog's own form is used as it is.
QString QtSaveFilePicker::SaveFile(const QString& title, const QString& folder, const QString& filter) {
  if (!filter.contains(QLatin1Char('|'))) return QFileDialog::getSaveFileName(parent_, title, folder, filter);
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList labels;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) labels << parts.at(i);
  return QFileDialog::getSaveFileName(parent_, title, folder, labels.join(QStringLiteral(";;")));
}

}  // namespace pyxa
