// The main window's band toolbar: the image-fit, navigation, image-options and zoom bands
// with their tools, captions and tips; it reports tool clicks by tool name.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QToolBar;

namespace pyxa {

class MainToolbar : public QObject {
  Q_OBJECT

 public:
  explicit MainToolbar(QMainWindow* window);

  QAction* Tool(const QString& name) const;
  QLineEdit* PageBox() const { return btnPage_; }
  QLabel* NumOfPages() const { return numOfPages_; }
  QComboBox* ZoomBox() const { return btnZoom_; }
  // Sets the enabled state of a tool by name (actions, the page box and the zoom box).
  void SetEnabled(const QString& name, bool enabled);
  // The page-count label: "/ " and the count.
  void ShowPageCount(int count);
  // Keeps every tool in view at the window's width.
  void FitTo(int width);

 Q_SIGNALS:
  void ToolClicked(const QString& toolName);
  void ZoomChosen(const QString& text);
  void PageEntered(const QString& text);

 private:
  QToolBar* Band(QMainWindow* window, const QString& name, const QString& caption);
  QAction* AddTool(QToolBar* band, const QString& name, const QString& caption, const QString& tip,
                   bool checkable = false);

  QLineEdit* btnPage_ = nullptr;
  QLabel* numOfPages_ = nullptr;
  QComboBox* btnZoom_ = nullptr;
  QToolBar* options_ = nullptr;
  QList<QToolBar*> bands_;
  int captionedWidth_ = 0;  // the bands' width with the option captions shown
};

}  // namespace pyxa
