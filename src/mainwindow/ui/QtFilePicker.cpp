#include "mainwindow/ui/QtFilePicker.h"

#include <QDir>
#include <QFileDialog>

namespace pyxa {

QStringList QtFilePicker::OpenFiles(const QString& title, const QString& filter) {
  return QFileDialog::getOpenFileNames(parent_, title, QDir::homePath(), filter);
}

}  // namespace pyxa
