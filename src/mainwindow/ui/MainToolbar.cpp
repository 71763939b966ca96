#include "mainwindow/ui/MainToolbar.h"

#include "mainwindow/ui/ToolIcons.h"

#include <QAction>
#include <QComboBox>
#include <QRegularExpression>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QToolBar>

namespace pyxa {

MainToolbar::MainToolbar(QMainWindow* window) : QObject(window) {
  setObjectName(QStringLiteral("abMain"));

  auto* fit = Band(window, QStringLiteral("bndFit"), QStringLiteral("Image Fit"));
  AddTool(fit, QStringLiteral("btnFitHeight"), QStringLiteral("Fit To Height"), QStringLiteral("Fit To Height"), true);
  AddTool(fit, QStringLiteral("btnFitWidth"), QStringLiteral("Fit To Width"), QStringLiteral("Fit To Width"), true);
  AddTool(fit, QStringLiteral("btnFitWindow"), QStringLiteral("Fit To Window"), QStringLiteral("Fit To Window"), true);

  auto* nav = Band(window, QStringLiteral("bndNavigation"), QStringLiteral("Navigation"));
  AddTool(nav, QStringLiteral("btnNavFirst"), QStringLiteral("First Page"), QStringLiteral("First Page"));
  AddTool(nav, QStringLiteral("btnNavPrevious"), QStringLiteral("Previous Page"), QStringLiteral("Previous Page"));
  btnPage_ = new QLineEdit(nav);
  btnPage_->setObjectName(QStringLiteral("btnPage"));
  btnPage_->setToolTip(QStringLiteral("Current Page"));
  btnPage_->setAccessibleName(QStringLiteral("Current Page"));
  // Only digits stay in the page box, whatever is typed or pasted.
  connect(btnPage_, &QLineEdit::textEdited, this, [this](const QString& text) {
    QString digits = text;
    digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
    if (digits != text) btnPage_->setText(digits);
  });
  btnPage_->setMaximumWidth(56);
  btnPage_->setAlignment(Qt::AlignRight);
  nav->addWidget(btnPage_);
  numOfPages_ = new QLabel(QStringLiteral("/ 0"), nav);
  numOfPages_->setObjectName(QStringLiteral("NumOfPages"));
  numOfPages_->setMinimumWidth(48);
  numOfPages_->setContentsMargins(4, 0, 6, 0);
  nav->addWidget(numOfPages_);
  AddTool(nav, QStringLiteral("btnNavNext"), QStringLiteral("Next Page"), QStringLiteral("Next Page"));
  AddTool(nav, QStringLiteral("btnNavLast"), QStringLiteral("Last Page"), QStringLiteral("Last Page"));
  connect(btnPage_, &QLineEdit::returnPressed, this, [this] { Q_EMIT PageEntered(btnPage_->text()); });

  auto* options = Band(window, QStringLiteral("bndOptions"), QStringLiteral("Image Options"));
  options->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  AddTool(options, QStringLiteral("btnIndex"), QStringLiteral("&Index Current File"), QStringLiteral("Index"));
  AddTool(options, QStringLiteral("btnPrint"), QStringLiteral("Print"), QStringLiteral("Print currently displayed page"));
  AddTool(options, QStringLiteral("btnSave"), QStringLiteral("Save Changes"), QStringLiteral("Save Changes"));
  AddTool(options, QStringLiteral("btnUndo"), QStringLiteral("Undo Changes"), QStringLiteral("Undo Changes"));
  AddTool(options, QStringLiteral("btnDelete"), QStringLiteral("Delete Page"),
          QStringLiteral("Delete currently displayed  page"));
  AddTool(options, QStringLiteral("btnRotate"), QStringLiteral("Rotate"), QStringLiteral("Rotate Page"));
  // Shown only while the production scanner kind is chosen: the window shows or hides it.
  AddTool(options, QStringLiteral("btnScenarios"), QStringLiteral("Scan Scenarios"),
          QStringLiteral("Page scenario of the production scanner"));

  auto* zoom = Band(window, QStringLiteral("bndZoom"), QStringLiteral("Zoom"));
  auto* zoomLabel = new QLabel(QStringLiteral("Zoom "), zoom);
  zoom->addWidget(zoomLabel);
  btnZoom_ = new QComboBox(zoom);
  btnZoom_->setObjectName(QStringLiteral("btnZoom"));
  btnZoom_->setToolTip(QStringLiteral("Zoom Document"));
  btnZoom_->setAccessibleName(QStringLiteral("Zoom"));
  btnZoom_->setEditable(true);
  btnZoom_->setInsertPolicy(QComboBox::NoInsert);
  btnZoom_->setMinimumContentsLength(6);
  // What is typed stays as typed: completing "1" to "100%" would zoom to what nobody asked for.
  btnZoom_->setCompleter(nullptr);
  zoomLabel->setBuddy(btnZoom_);
  zoom->addWidget(btnZoom_);
  connect(btnZoom_, &QComboBox::textActivated, this, &MainToolbar::ZoomChosen);
  // A list that inserts nothing reports Enter only for texts of its list; any other typed zoom
  // ("80", "abc") is taken from the edit line.
  connect(btnZoom_->lineEdit(), &QLineEdit::returnPressed, this, [this] {
    const QString text = btnZoom_->currentText();
    if (btnZoom_->findText(text) < 0) Q_EMIT ZoomChosen(text);
  });
  options_ = options;
  bands_ = {fit, nav, options, zoom};
}

void MainToolbar::FitTo(int width) {
  // The captions of the option tools stand beside their icons while every band fits in the
  // window's width; narrower, the icons stand alone (their captions in the tips), so that no
  // tool, the zoom box least of all, is pushed into a band's overflow menu.
  if (captionedWidth_ == 0) {
    options_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (const QToolBar* band : bands_) captionedWidth_ += band->sizeHint().width();
  }
  const int room = width - 16;  // the bands' handles and the window's edges
  options_->setToolButtonStyle(captionedWidth_ <= room ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
}

QToolBar* MainToolbar::Band(QMainWindow* window, const QString& name, const QString& caption) {
  auto* band = new QToolBar(caption, window);
  band->setObjectName(name);
  band->setIconSize(QSize(24, 24));
  window->addToolBar(Qt::TopToolBarArea, band);
  return band;
}

QAction* MainToolbar::AddTool(QToolBar* band, const QString& name, const QString& caption, const QString& tip,
                              bool checkable) {
  auto* action = band->addAction(ToolIcon(name), caption);
  action->setObjectName(name);
  action->setToolTip(tip);
  action->setCheckable(checkable);
  connect(action, &QAction::triggered, this, [this, name] { Q_EMIT ToolClicked(name); });
  return action;
}

QAction* MainToolbar::Tool(const QString& name) const {
  return parent()->findChild<QAction*>(name);
}

void MainToolbar::SetEnabled(const QString& name, bool enabled) {
  if (name == QStringLiteral("btnPage")) {
    btnPage_->setEnabled(enabled);
  } else if (name == QStringLiteral("btnZoom")) {
    btnZoom_->setEnabled(enabled);
  } else if (QAction* action = Tool(name)) {
    action->setEnabled(enabled);
  }
}

void MainToolbar::ShowPageCount(int count) { numOfPages_->setText(QStringLiteral("/ ") + QString::number(count)); }

}  // namespace pyxa
