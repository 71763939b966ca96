// The working area of the main window: the splitter with its four panes (steps, trees, page
// view, indexing) and the controls inside them, created once and shown per mode.
#pragma once

#include <QString>

class QGroupBox;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTreeWidget;
class QWidget;

namespace pyxa {

class IndexedTreeWidget;
class PageView;
class ReadingBar;

struct MainPanes {
  explicit MainPanes(QWidget* parent);

  QSplitter* SSSplitter1;
  QWidget* paneSteps;     // "Pane A"
  QWidget* paneTrees;     // "Pane B"
  QWidget* paneView;      // "Pane C"
  QGroupBox* paneIndexing;  // "Pane D", captioned "Indexing"
  QScrollArea* indexingScroll;  // inside paneIndexing: the two frames below
  // The narrowest the indexing pane may be: its fields and a scroll bar beside them.
  int IndexingMinimumWidth() const;
  QSplitter* treeSplitter;

  QGroupBox* fraStep1;
  QPushButton* cmdScan;
  QPushButton* cmdFile;
  QGroupBox* fraStep2;
  QPushButton* cmdIndex;
  QGroupBox* fraStep3;
  QPushButton* cmdUpload;
  QPushButton* cmdUploadNow;
  QPushButton* cmdExit;

  QTreeWidget* sstFiles;
  IndexedTreeWidget* sstDocuments;
  ReadingBar* fraReading;  // above the page view: what the shown page was read to say
  PageView* MD_TIFF1;
  QGroupBox* Frame4;
  QGroupBox* fraDocument;
};

}  // namespace pyxa
