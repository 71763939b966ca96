#include "mainwindow/ui/MainPanes.h"

#include "mainwindow/ui/IndexedTreeWidget.h"
#include "mainwindow/ui/PageView.h"
#include "mainwindow/ui/ReadingBar.h"
#include "mainwindow/ui/ToolIcons.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pyxa {
namespace {

QPushButton* Button(QWidget* parent, const QString& name, const QString& caption, const QString& tip) {
  auto* button = new QPushButton(ToolIcon(name), caption, parent);
  button->setObjectName(name);
  button->setToolTip(tip);
  button->setIconSize(QSize(20, 20));
  button->setMinimumHeight(30);
  return button;
}

QGroupBox* Frame(QWidget* parent, const QString& name, const QString& caption) {
  auto* frame = new QGroupBox(caption, parent);
  frame->setObjectName(name);
  new QVBoxLayout(frame);
  return frame;
}

template <typename TreeType = QTreeWidget>
TreeType* Tree(QWidget* parent, const QString& name, const QString& accessibleName) {
  auto* tree = new TreeType(parent);
  tree->setObjectName(name);
  tree->setAccessibleName(accessibleName);
  tree->setColumnCount(1);
  tree->setHeaderLabels({accessibleName});
  tree->setUniformRowHeights(true);
  tree->header()->setStretchLastSection(true);
  return tree;
}

}  // namespace

MainPanes::MainPanes(QWidget* parent) {
  SSSplitter1 = new QSplitter(Qt::Horizontal, parent);
  SSSplitter1->setObjectName(QStringLiteral("SSSplitter1"));
  SSSplitter1->setChildrenCollapsible(false);

  paneSteps = new QWidget(SSSplitter1);
  paneSteps->setObjectName(QStringLiteral("Pane A"));
  auto* steps = new QVBoxLayout(paneSteps);
  steps->setContentsMargins(6, 6, 6, 6);
  fraStep1 = Frame(paneSteps, QStringLiteral("fraStep1"), QStringLiteral("Step 1"));
  cmdScan = Button(fraStep1, QStringLiteral("cmdScan"), QStringLiteral("&Scan"), QStringLiteral("Scan Documents"));
  cmdFile = Button(fraStep1, QStringLiteral("cmdFile"), QStringLiteral("&Browse"),
                   QStringLiteral("Search for un-indexed documents"));
  fraStep1->layout()->addWidget(cmdScan);
  fraStep1->layout()->addWidget(cmdFile);
  fraStep2 = Frame(paneSteps, QStringLiteral("fraStep2"), QStringLiteral("Step 2"));
  cmdIndex = Button(fraStep2, QStringLiteral("cmdIndex"), QStringLiteral("&Index"), QStringLiteral("Index selected file"));
  fraStep2->layout()->addWidget(cmdIndex);
  fraStep3 = Frame(paneSteps, QStringLiteral("fraStep3"), QStringLiteral("Step 3"));
  cmdUpload = Button(fraStep3, QStringLiteral("cmdUpload"), QStringLiteral("&Upload"),
                     QStringLiteral("Designate selected file for scheduled uploading"));
  cmdUploadNow = Button(fraStep3, QStringLiteral("cmdUploadNow"), QStringLiteral("Upload &Now"),
                        QStringLiteral("Upload selected file immediately"));
  fraStep3->layout()->addWidget(cmdUpload);
  fraStep3->layout()->addWidget(cmdUploadNow);
  cmdExit = new QPushButton(QStringLiteral("E&xit"), paneSteps);
  cmdExit->setObjectName(QStringLiteral("cmdExit"));
  cmdExit->setToolTip(QStringLiteral("Click to exit the Pyxa"));
  cmdExit->setMinimumHeight(30);
  steps->addWidget(fraStep1);
  steps->addWidget(fraStep2);
  steps->addWidget(fraStep3);
  steps->addStretch(1);
  steps->addWidget(cmdExit);

  paneTrees = new QWidget(SSSplitter1);
  paneTrees->setObjectName(QStringLiteral("Pane B"));
  auto* trees = new QVBoxLayout(paneTrees);
  trees->setContentsMargins(0, 6, 0, 6);
  treeSplitter = new QSplitter(Qt::Vertical, paneTrees);
  treeSplitter->setChildrenCollapsible(false);
  sstFiles = Tree(treeSplitter, QStringLiteral("sstFiles"), QStringLiteral("Available Documents"));
  sstDocuments = Tree<IndexedTreeWidget>(treeSplitter, QStringLiteral("sstDocuments"), QStringLiteral("Indexed Documents"));
  sstDocuments->setContextMenuPolicy(Qt::CustomContextMenu);
  trees->addWidget(treeSplitter);

  paneView = new QWidget(SSSplitter1);
  paneView->setObjectName(QStringLiteral("Pane C"));
  auto* view = new QVBoxLayout(paneView);
  view->setContentsMargins(0, 6, 0, 6);
  fraReading = new ReadingBar(paneView);
  view->addWidget(fraReading);
  MD_TIFF1 = new PageView(paneView);
  view->addWidget(MD_TIFF1);

  paneIndexing = new QGroupBox(QStringLiteral("Indexing"), SSSplitter1);
  paneIndexing->setObjectName(QStringLiteral("Pane D"));
  auto* outer = new QVBoxLayout(paneIndexing);
  outer->setContentsMargins(0, 0, 0, 0);
  // A window too low for every field scrolls the fields rather than pressing them onto each
  // other; a tall one leaves the room below them empty.
  indexingScroll = new QScrollArea(paneIndexing);
  auto* scroll = indexingScroll;
  scroll->setObjectName(QStringLiteral("indexingScroll"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* fields = new QWidget(scroll);
  auto* indexing = new QVBoxLayout(fields);
  Frame4 = Frame(fields, QStringLiteral("Frame4"), QStringLiteral("Search Criteria"));
  fraDocument = Frame(fields, QStringLiteral("fraDocument"), QStringLiteral("Document"));
  indexing->addWidget(Frame4);
  indexing->addWidget(fraDocument);
  indexing->addStretch(1);
  scroll->setWidget(fields);
  outer->addWidget(scroll);

  SSSplitter1->setStretchFactor(0, 0);
  SSSplitter1->setStretchFactor(1, 0);
  SSSplitter1->setStretchFactor(2, 1);
  SSSplitter1->setStretchFactor(3, 0);
}

int MainPanes::IndexingMinimumWidth() const {
  const QMargins margins = paneIndexing->contentsMargins();
  return indexingScroll->widget()->minimumSizeHint().width() + indexingScroll->verticalScrollBar()->sizeHint().width() +
         margins.left() + margins.right();
}

}  // namespace pyxa
