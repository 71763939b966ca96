// The About window: product, version and maker.
#pragma once

#include <QDialog>

namespace pyxa {

class frmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit frmAbout(QWidget* parent = nullptr);
};

}  // namespace pyxa
