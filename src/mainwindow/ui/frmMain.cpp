#include "mainwindow/ui/frmMain.h"
#include "shell/ui/ClinicWait.h"

#include "coversheets/BatchReading.h"

#include "mainwindow/ui/AuditWindows.h"
#include "mainwindow/ui/BatchScanning.h"
#include "mainwindow/ui/DocumentFrame.h"
#include "mainwindow/ui/SearchFrame.h"
#include "patients/ui/SearchFieldsBox.h"

#include "mainwindow/ToolCommands.h"
#include "mainwindow/WindowGeometry.h"
#include "mainwindow/ui/IndexedTreeWidget.h"
#include "mainwindow/ui/MainPanes.h"
#include "mainwindow/ui/MainToolbar.h"
#include "mainwindow/ui/PageView.h"
#include "mainwindow/ui/ReadingBar.h"
#include "reading/PageReader.h"
#include "thumbnail/ui/frmThumbnail.h"
#include "mainwindow/PathText.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/ShellOpen.h"
#include "shell/ErrorTexts.h"
#include "shell/ui/frmAbout.h"
#include "upload/SourceRemovals.h"

#include <QAction>
#include <cerrno>
#include <QCheckBox>
#include <algorithm>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>

namespace pyxa {

frmMain::frmMain(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent),
      services_(services),
      counts_(services.settings, services.databases),
      keepAlive_(services.session, services.prompter, services.login, *this) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Pyxadesk"));
  // The size a window without stored geometry gets when it is restored from maximised.
  resize(1180, 760);
  setMinimumSize(900, 560);
  CreateMenus();
  toolbar_ = new MainToolbar(this);
  panes_ = std::make_unique<MainPanes>(this);
  setCentralWidget(panes_->SSSplitter1);
  panes_->MD_TIFF1->addActions(pageKeys_);
  search_ = std::make_unique<SearchFrame>(panes_->Frame4);
  document_ = std::make_unique<DocumentFrame>(panes_->fraDocument);
  CreateStatusBar();
  ConnectControls();
  if (!services_.log) ownLog_ = std::make_unique<EventLog>();
  storer_ = std::make_unique<DocumentStorer>(services_.settings, services_.databases, services_.session,
                                             services_.clock ? *services_.clock : systemClock_);
  if (const auto* checkpoint = services_.storingCheckpoint)
    storer_->checkpoint = [checkpoint](const char* step) {
      if (*checkpoint) (*checkpoint)(step);
    };
  locks_ = std::make_unique<EncounterLocks>(services_.session, services_.prompter, services_.login,
                                            services_.log ? *services_.log : *ownLog_);
  ConnectIndexingControls();
  sheetReader_ = new SheetReader(this);
  connect(sheetReader_, &SheetReader::Finished, this, &frmMain::SheetsRead);
  if (services_.recognizer) {
    pageReader_ = new PageReader(services_.recognizer, this);
    connect(pageReader_, &PageReader::PageRead, this, &frmMain::PageRead);
    connect(pageReader_, &PageReader::Failed, this, [this](const QString& file, const QString& why) {
      if (file != readingStartedFile_) return;
      readingFailure_ = why;
      if (file == Viewer().CurrentFileName()) ShowReadingBar();
    });
  }
  connect(panes_->fraReading, &ReadingBar::AcceptClicked, this, &frmMain::cmdAcceptReading_Click);
  connect(panes_->fraReading, &ReadingBar::FillClicked, this, &frmMain::cmdFillFromReading_Click);
  auto* findPatient = new QShortcut(QKeySequence::Find, this, this, &frmMain::FocusPatientSearch);
  findPatient->setObjectName(QStringLiteral("keyFindPatient"));
  // The page reading is accepted from anywhere in the window, whatever menu is off at the moment.
  auto* acceptReading = new QShortcut(QKeySequence(Qt::Key_F8), this, this, &frmMain::cmdAcceptReading_Click);
  acceptReading->setObjectName(QStringLiteral("keyAcceptReading"));
  search_->fields->Field(QStringLiteral("txtLastName"))->setToolTip(QStringLiteral("Last name (Ctrl+F from anywhere)"));

  liveTimer_.setObjectName(QStringLiteral("LiveTimer"));
  liveTimer_.setInterval(KeepAlive::kIntervalMs);
  connect(&liveTimer_, &QTimer::timeout, this, &frmMain::LiveTimer_Timer);

  state_.EnterInit();
  ApplyState();
  ApplyLayout();
}

frmMain::~frmMain() = default;

PageViewer& frmMain::Viewer() const {
  return services_.viewer ? *services_.viewer : static_cast<PageViewer&>(*panes_->MD_TIFF1);
}

QAction* frmMain::AddAction(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& keys) {
  auto* action = menu->addAction(caption);
  action->setObjectName(name);
  action->setShortcut(keys);
  return action;
}

void frmMain::CreateMenus() {
  auto* bar = menuBar();
  auto* file = bar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("mnuFile"));
  auto* open = file->addMenu(QStringLiteral("&Open From ..."));
  open->setObjectName(QStringLiteral("mnuFileOpen"));
  connect(AddAction(open, QStringLiteral("mnuFileOpenScan"), QStringLiteral("&Scanner")), &QAction::triggered, this,
          &frmMain::cmdScan_Click);
  connect(AddAction(open, QStringLiteral("mnuFileOpenFiles"), QStringLiteral("&File")), &QAction::triggered, this,
          &frmMain::cmdFile_Click);
  connect(AddAction(file, QStringLiteral("mnuFileSave"), QStringLiteral("Save"), QKeySequence::Save),
          &QAction::triggered, this, &frmMain::subSave);
  connect(AddAction(file, QStringLiteral("mnuFilePrint"), QStringLiteral("&Print"), QKeySequence::Print),
          &QAction::triggered, this, [this] { PrintShownFile(); });
  file->addSeparator();
  connect(AddAction(file, QStringLiteral("mnuFileExit"), QStringLiteral("E&xit")), &QAction::triggered, this,
          &frmMain::cmdExit_Click);

  auto* edit = bar->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("mnuEdit"));
  // A text box with the focus keeps its own Ctrl+Z and Delete: it claims them before the window.
  connect(AddAction(edit, QStringLiteral("mnuEditUndo"), QStringLiteral("&Undo"), QKeySequence::Undo),
          &QAction::triggered, this, &frmMain::subUndo);
  connect(AddAction(edit, QStringLiteral("mnuEditDelete"), QStringLiteral("&Delete"), QKeySequence::Delete),
          &QAction::triggered, this, &frmMain::subDelete);
  connect(AddAction(edit, QStringLiteral("mnuEditRotate"), QStringLiteral("&Rotate"), QKeySequence(Qt::CTRL | Qt::Key_R)),
          &QAction::triggered, this, &frmMain::subRotate);

  // Paging, zoom and fitting from the keyboard, named with their keys. The paging keys act from
  // any focus inside the page view, since the trees and text boxes use them for themselves.
  auto* view = bar->addMenu(QStringLiteral("&View"));
  view->setObjectName(QStringLiteral("mnuView"));
  const struct {
    const char* name;
    const char* caption;
    QKeySequence keys;
    const char* tool;
    bool inPageView;
  } viewCommands[] = {
      {"mnuViewFirst", "&First Page", QKeySequence(Qt::Key_Home), "btnNavFirst", true},
      {"mnuViewPrevious", "&Previous Page", QKeySequence(Qt::Key_PageUp), "btnNavPrevious", true},
      {"mnuViewNext", "&Next Page", QKeySequence(Qt::Key_PageDown), "btnNavNext", true},
      {"mnuViewLast", "&Last Page", QKeySequence(Qt::Key_End), "btnNavLast", true},
      {"mnuViewZoomIn", "Zoom &In", QKeySequence(QKeySequence::ZoomIn), "", false},
      {"mnuViewZoomOut", "Zoom &Out", QKeySequence(QKeySequence::ZoomOut), "", false},
      {"mnuViewFitHeight", "Fit To &Height", QKeySequence(), "btnFitHeight", false},
      {"mnuViewFitWidth", "Fit To &Width", QKeySequence(), "btnFitWidth", false},
      {"mnuViewFitWindow", "Fit To Win&dow", QKeySequence(), "btnFitWindow", false},
  };
  for (const auto& command : viewCommands) {
    const QString name = QString::fromLatin1(command.name);
    if (name == QStringLiteral("mnuViewZoomIn") || name == QStringLiteral("mnuViewFitHeight")) view->addSeparator();
    QAction* action = AddAction(view, name, QString::fromLatin1(command.caption), command.keys);
    const QString tool = QString::fromLatin1(command.tool);
    if (command.inPageView) {
      action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
      pageKeys_.append(action);
    }
    if (!tool.isEmpty()) {
      viewTools_.insert(name, tool);
      connect(action, &QAction::triggered, this, [this, tool] { abMain_ToolClick(tool); });
    } else {
      const int step = name == QStringLiteral("mnuViewZoomIn") ? +1 : -1;
      viewTools_.insert(name, QStringLiteral("btnZoom"));
      connect(action, &QAction::triggered, this, [this, step] { ZoomStep(step); });
    }
  }

  view->addSeparator();
  QAction* navigator = AddAction(view, QStringLiteral("mnuViewNavigator"), QStringLiteral("Na&vigator"),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
  navigator->setCheckable(true);
  connect(navigator, &QAction::toggled, this, &frmMain::ShowNavigator);

  auto* tools = bar->addMenu(QStringLiteral("&Tools"));
  tools->setObjectName(QStringLiteral("mnuTools"));
  connect(AddAction(tools, QStringLiteral("mnuToolsOptions"), QStringLiteral("&Options")), &QAction::triggered, this,
          &frmMain::mnuToolsOptions_Click);
  // A clinic day's cover sheets at once; it needs the print service to print on.
  QAction* sheetList = AddAction(tools, QStringLiteral("mnuToolsCoverSheets"), QStringLiteral("&Cover Sheets for a List..."));
  sheetList->setEnabled(services_.printers && services_.saveFiles);
  connect(sheetList, &QAction::triggered, this, &frmMain::PrintCoverSheetList);

  auto* actions = bar->addMenu(QStringLiteral("&Actions"));
  actions->setObjectName(QStringLiteral("mnuActions"));
  connect(AddAction(actions, QStringLiteral("mnuActionsSave"), QStringLiteral("Save Documents")), &QAction::triggered,
          this, &frmMain::mnuActionsSave_Click);
  connect(AddAction(actions, QStringLiteral("mnuActionsUpload"), QStringLiteral("Upload")), &QAction::triggered, this,
          &frmMain::cmdUpload_Click);
  connect(AddAction(actions, QStringLiteral("mnuActionsUploadNow"), QStringLiteral("Upload Now")), &QAction::triggered,
          this, &frmMain::cmdUploadNow_Click);

  auto* recon = bar->addAction(QStringLiteral("&Reconciliation"));
  recon->setObjectName(QStringLiteral("mnuRecon"));
  connect(recon, &QAction::triggered, this, &frmMain::mnuRecon_Click);
  auto* log = bar->addAction(QStringLiteral("&Log"));
  log->setObjectName(QStringLiteral("mnuLog"));
  connect(log, &QAction::triggered, this, &frmMain::mnuLog_Click);

  auto* help = bar->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("mnuHelp"));
  // Kept for its name; it has no command of its own, so the user never sees it.
  AddAction(help, QStringLiteral("mnuHelopAbout"), QStringLiteral("&About Corvantis Pyxa"))->setVisible(false);
  connect(AddAction(help, QStringLiteral("mnuAbout"), QStringLiteral("A&bout")), &QAction::triggered, this,
          &frmMain::mnuAbout_Click);

  auto* removePage = new QMenu(this);
  removePage->setObjectName(QStringLiteral("popRemove"));
  AddAction(removePage, QStringLiteral("popRemoveNode"), QStringLiteral("Remove Page"));
  auto* removeDocument = new QMenu(this);
  removeDocument->setObjectName(QStringLiteral("popRemoveDocument"));
  AddAction(removeDocument, QStringLiteral("popRemoveDoc"), QStringLiteral("Remove Document"));
  auto* proposal = new QMenu(this);
  proposal->setObjectName(QStringLiteral("popProposal"));
  connect(AddAction(proposal, QStringLiteral("popConfirm"), QStringLiteral("Confirm Proposed Document")),
          &QAction::triggered, this, &frmMain::cmdConfirm_Click);
  connect(AddAction(proposal, QStringLiteral("popConfirmAll"), QStringLiteral("Confirm All Proposed Documents")),
          &QAction::triggered, this, &frmMain::cmdConfirmAll_Click);
}

void frmMain::CreateStatusBar() {
  auto* bar = statusBar();
  bar->setObjectName(QStringLiteral("sbInfo"));
  const char* names[] = {"pnlAwaitingUpload", "pnlAvailableFiles", "Status", "pnlScanner"};
  for (int i = 0; i < 4; ++i) {
    panels_[i] = new QLabel(bar);
    panels_[i]->setObjectName(QString::fromLatin1(names[i]));
    panels_[i]->setFrameShape(QFrame::StyledPanel);
    panels_[i]->setFrameShadow(QFrame::Sunken);
    bar->addWidget(panels_[i], i == 2 ? 1 : 0);
  }
  SetPanel(4, QString());
  SetPanel(1, QStringLiteral("   Awaiting Upload: 0   "));
  SetPanel(2, QStringLiteral("   Available Files: 0   "));
}

void frmMain::SetPanel(int panel, const QString& text) {
  if (panel < 1 || panel > 4) return;
  panels_[panel - 1]->setText(text);
  // The scanner panel shows only when a scanner has something to say.
  if (panel == 4) panels_[3]->setVisible(!text.isEmpty());
}

void frmMain::ConnectControls() {
  connect(panes_->cmdFile, &QPushButton::clicked, this, &frmMain::cmdFile_Click);
  connect(panes_->cmdScan, &QPushButton::clicked, this, &frmMain::cmdScan_Click);
  connect(panes_->cmdIndex, &QPushButton::clicked, this, &frmMain::cmdIndex_Click);
  connect(panes_->cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
  connect(panes_->cmdUpload, &QPushButton::clicked, this, &frmMain::cmdUpload_Click);
  connect(panes_->cmdUploadNow, &QPushButton::clicked, this, &frmMain::cmdUploadNow_Click);
  // A file shows as soon as it is chosen, by mouse or arrow keys; the two top nodes act on a
  // click or Enter only, so that moving through the tree never opens the file dialog.
  auto isFile = [](QTreeWidgetItem* node) {
    return node && ClassifyFilesNode(node->data(0, Qt::UserRole).toString()) == FilesNodeKind::File;
  };
  connect(panes_->sstFiles, &QTreeWidget::currentItemChanged, this, [this, isFile](QTreeWidgetItem* node) {
    if (!isFile(node)) return;
    shownBySelection_ = node;  // the click that made it current needs no second showing
    sstFiles_NodeClick(node);
  });
  connect(panes_->sstFiles, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) {
    if (node == shownBySelection_) {
      shownBySelection_ = nullptr;
      return;
    }
    sstFiles_NodeClick(node);
  });
  connect(panes_->sstFiles, &QTreeWidget::itemActivated, this, [this, isFile](QTreeWidgetItem* node) {
    if (!isFile(node)) sstFiles_NodeClick(node);
  });
  connect(panes_->sstDocuments, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* node) { sstDocuments_NodeClick(node); });
  connect(panes_->sstDocuments, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* node) { sstDocuments_NodeClick(node); });
  connect(panes_->sstDocuments, &QTreeWidget::customContextMenuRequested, this, &frmMain::sstDocuments_ContextMenu);
  connect(panes_->sstDocuments, &IndexedTreeWidget::PageDropped, this, &frmMain::sstDocuments_PageDropped);
  connect(panes_->sstDocuments, &IndexedTreeWidget::MovedByKey, this, &frmMain::sstDocuments_NodeClick);
  connect(findChild<QAction*>(QStringLiteral("popRemoveNode")), &QAction::triggered, this,
          &frmMain::popRemoveNode_Click);
  connect(findChild<QAction*>(QStringLiteral("popRemoveDoc")), &QAction::triggered, this,
          &frmMain::popRemoveDoc_Click);
  connect(toolbar_, &MainToolbar::ToolClicked, this, &frmMain::abMain_ToolClick);
  connect(toolbar_, &MainToolbar::ZoomChosen, this, &frmMain::ZoomDocument);
  connect(toolbar_, &MainToolbar::PageEntered, this, &frmMain::btnPage_Commit);
  connect(panes_->MD_TIFF1, &PageView::ZoomStepRequested, this, &frmMain::ZoomStep);
  connect(panes_->SSSplitter1, &QSplitter::splitterMoved, this, [this] { Form_Resize(); });
  connect(panes_->MD_TIFF1, &PageView::OpenInDesktopRequested, this, [this](const QString& path) {
    if (!ShellOpen(path)) {
      services_.prompter.Critical(QStringLiteral("Failed to open the file.\n") + NameFromFullPath(path));
    }
  });
}

void frmMain::ApplyState() {
  // Printing needs a print service and a page view showing an image or a PDF.
  static const QStringList kPrinting = {QStringLiteral("btnPrint"), QStringLiteral("mnuFilePrint")};
  const bool printable = services_.printers && services_.saveFiles && (Viewer().ShownImage() || Viewer().ShowsPdf()) &&
                         Viewer().PageCount() > 0;
  // Page edits need an image the viewer can edit (not a PDF or Word file).
  static const QStringList kPageEdits = {QStringLiteral("btnRotate"), QStringLiteral("btnDelete"),
                                         QStringLiteral("btnUndo"),   QStringLiteral("btnSave"),
                                         QStringLiteral("mnuEdit"),   QStringLiteral("mnuFileSave")};
  // Saving and undoing wait for an edit to save or undo.
  static const QStringList kNeedAnEdit = {QStringLiteral("btnUndo"), QStringLiteral("btnSave"),
                                          QStringLiteral("mnuFileSave")};
  auto apply = [this](const QString& name, bool enabled) {
    if (auto* menu = findChild<QMenu*>(name)) {
      menu->menuAction()->setEnabled(enabled);
    } else if (auto* action = findChild<QAction*>(name)) {
      action->setEnabled(enabled);
    } else if (auto* widget = findChild<QWidget*>(name)) {
      widget->setEnabled(enabled);
    }
  };
  const bool edited = Viewer().HasUnsavedChanges();
  for (const QString& name : state_.Controls()) {
    bool enabled = state_.Enabled(name);
    if (kPrinting.contains(name) && !printable) enabled = false;
    if (kPageEdits.contains(name) && (!Viewer().CanEditPages() || IndexedPagesHeld())) enabled = false;
    if (kNeedAnEdit.contains(name) && !edited) enabled = false;
    apply(name, enabled);
  }
  // The page scenarios belong to the production scanner kind alone.
  toolbar_->Tool(QStringLiteral("btnScenarios"))->setVisible(ChosenScanning() && ChosenScanning()->HasScenarios());
  if (!services_.makeService) apply(QStringLiteral("mnuToolsOptions"), false);
  if (!services_.audit) {
    apply(QStringLiteral("mnuLog"), false);
    apply(QStringLiteral("mnuRecon"), false);
  }
  // A stored document's copy is only looked at: its pages are not the window's to edit or index.
  if (storedPreview_) {
    for (const QString& name : kPageEdits) apply(name, false);
    apply(QStringLiteral("cmdIndex"), false);
    apply(QStringLiteral("btnIndex"), false);
  }
  // Scanning needs a scanner layer to scan with.
  if (!ChosenScanning()) {
    apply(QStringLiteral("cmdScan"), false);
    apply(QStringLiteral("mnuFileOpenScan"), false);
  }
  // The Edit menu's Undo follows the Undo tool.
  apply(QStringLiteral("mnuEditUndo"), toolbar_->Tool(QStringLiteral("btnUndo"))->isEnabled());
  // The shown file in the title, marked while it has edits not saved.
  const QString shown = Viewer().CurrentFileName();
  setWindowTitle(shown.isEmpty() ? QStringLiteral("Pyxadesk")
                                 : NameFromFullPath(shown) + QStringLiteral("[*] - Pyxadesk"));
  setWindowModified(edited);
  for (auto it = viewTools_.cbegin(); it != viewTools_.cend(); ++it) apply(it.key(), state_.Enabled(it.value()));
  apply(QStringLiteral("mnuActionsSave"), IndexedPagesHeld() && state_.Enabled(QStringLiteral("mnuActionsUpload")));
  if (toolbar_->ZoomBox()->count() == 0) {
    toolbar_->ZoomBox()->addItems(ZoomLevels());
    toolbar_->ZoomBox()->setCurrentIndex(-1);
  }
  for (const char* fit : {"btnFitHeight", "btnFitWidth", "btnFitWindow"}) {
    if (QAction* tool = toolbar_->Tool(QString::fromLatin1(fit))) tool->setChecked(state_.Pressed(tool->objectName()));
  }
}

bool frmMain::IndexedPagesHeld() const { return indexed_ && !IndexedSource(*indexed_).isEmpty(); }

void frmMain::ApplyLayout() {
  const PaneLayout layout = state_.Layout();
  toolbar_->FitTo(width());
  panes_->sstFiles->setVisible(layout.filesTree);
  panes_->sstDocuments->setVisible(layout.indexedTree);
  // The indexing pane holds the patient search and document fields; it opens with them.
  const bool indexingReady = panes_->fraDocument->layout()->count() > 0;
  panes_->paneIndexing->setVisible(layout.indexingPane && indexingReady);
  // The indexing commands and these menus share their Alt letters (Append and Actions, Append
  // All and Log, Reset and Reconciliation, Search and Edit); an Alt letter that two controls
  // share only moves the focus between them. While the indexing commands are on screen, the
  // ones used all day keep their letters and these menus are opened with F10 or Alt alone.
  const bool indexingShown = !panes_->paneIndexing->isHidden();
  for (const char* name : {"mnuEdit", "mnuActions", "mnuRecon", "mnuLog"}) {
    QAction* title = nullptr;
    if (auto* menu = findChild<QMenu*>(QString::fromLatin1(name))) {
      title = menu->menuAction();
    } else {
      title = findChild<QAction*>(QString::fromLatin1(name));
    }
    if (!title) continue;
    if (!title->property("ownTitle").isValid()) title->setProperty("ownTitle", title->text());
    const QString own = title->property("ownTitle").toString();
    title->setText(indexingShown ? QString(own).remove(QLatin1Char('&')) : own);
  }
  panes_->treeSplitter->setStretchFactor(0, layout.filesStretch);
  panes_->treeSplitter->setStretchFactor(1, layout.indexedStretch);
  // The trees get their share of the width within what a list of file names needs; the
  // page view takes the rest.
  const int total = std::max(width(), 900);
  const int steps = panes_->paneSteps->sizeHint().width();
  const bool indexing = panes_->paneIndexing->isVisible();
  const int rest = total - steps;
  const int shares = layout.leftStretch + layout.centreStretch + (indexing ? layout.rightStretch : 0);
  const int unit = rest / std::max(1, shares);
  const int trees = std::clamp(layout.leftStretch * unit, 220, 300 + total / 40);
  const int narrowest = panes_->IndexingMinimumWidth();
  panes_->paneIndexing->setMinimumWidth(narrowest);
  const int right = indexing ? std::clamp(layout.rightStretch * unit, narrowest, std::max(narrowest, 460)) : 0;
  panes_->SSSplitter1->setSizes({steps, trees, std::max(300, rest - trees - right), right});
}

void frmMain::Form_Load() {
  // Pages a crash left both stored and in their source file leave the file before any is listed.
  const QStringList unfinished = FinishSourceRemovals(counts_.StorePath(), services_.databases);
  if (!unfinished.isEmpty()) services_.prompter.Critical(unfinished.join(QLatin1Char('\n')));
  try {
    BusyCursor busy;
    // The production scanner kind shows its source and reservation in the status bar from the start.
    if (services_.settings.Kofax && services_.productionScanning) {
      services_.productionScanning->Prepare([this](const QString& panel, const QString& text) {
        SetPanel(panel == QStringLiteral("Scanner") ? 4 : 3, text);
      });
    }
    if (!CanReview()) document_->chkSignoff->setEnabled(false);
    ExplainRights();
    if (const auto stored = StoredGeometry(services_.settings)) {
      if (!isMaximized()) setGeometry(*stored);
      defaults_ = {defaults_.physicianId, services_.settings.StoreCategory, services_.settings.StoreType, true};
    }
    // The navigator opens again where it was when the program last ended with it open.
    if (services_.settings.NavigatorShown == 1) findChild<QAction*>(QStringLiteral("mnuViewNavigator"))->setChecked(true);
    state_.EnterInit();
    state_.FollowIndexButton(document_->cboPhysician->count() > 0);
    references_.LoadCategories(services_.session);
    document_->cmdEncounters->setEnabled(document_->cboType->currentText() == QStringLiteral("Encounters"));
    references_.LoadCountry(services_.session);
    search_->fields->SetCountry2(Country2());
    document_->SetCountry2(Country2());
    state_.ControlImageInterface(false, false, false);
    state_.ControlDocumentInterface(false);
    UpdateFilesDisplay();
    panes_->sstDocuments->clear();
    panes_->sstFiles->clear();
    busy.Release();
    const bool canUpload = CanUpload();
    LoadStoredDocuments();
    const int indexedCount = indexed_ ? indexed_->Count() : 0;
    const auto awaiting = counts_.AreDocsToUpload(indexedCount);
    state_.ApplyStoredDocuments(indexedCount, static_cast<int>(awaiting), canUpload);
    subClearDocumentFields();
    subClearSearchFields();
    FillReferenceBoxes();
  } catch (const ServiceError& error) {
    services_.prompter.Critical(GenericErrorMessage(error, errno));
  } catch (const StoreReadError& error) {
    services_.prompter.Critical(GenericErrorMessage(error.Number(), error.Description(), errno));
  } catch (const std::exception& error) {
    ReportError(error);
  }
  ApplyState();
  ApplyLayout();
  liveTimer_.start();
}

bool frmMain::CanUpload() const {
  return services_.session.IsOpen() && services_.session.Integration()->CanUploadRpts();
}

bool frmMain::CanReview() const {
  return services_.session.IsOpen() && services_.session.Integration()->CanReviewRpts();
}

void frmMain::ExplainRights() {
  // A greyed control with no reason looks broken: the tip names the right that is missing.
  const auto explain = [](QWidget* control, bool allowed, const QString& missing) {
    if (!control->property("ownTip").isValid()) control->setProperty("ownTip", control->toolTip());
    const QString tip = control->property("ownTip").toString();
    control->setToolTip(allowed ? tip : tip.isEmpty() ? missing : tip + QLatin1Char('\n') + missing);
  };
  const QString noUpload = QStringLiteral("Not available: your user account may not upload documents.");
  explain(panes_->cmdUpload, CanUpload(), noUpload);
  explain(panes_->cmdUploadNow, CanUpload(), noUpload);
  explain(document_->chkSignoff, CanReview(),
          QStringLiteral("Not available: your user account may not sign off documents."));
}

void frmMain::UpdateFilesDisplay() {
  const auto display = counts_.UpdateFilesDisplay();
  if (!display.ok) {
    services_.prompter.Critical(display.errorMessage);
    return;
  }
  SetPanel(1, display.uploadPanel);
  SetPanel(2, display.availablePanel);
}

void frmMain::UpdateUploadCount() { SetPanel(1, counts_.UpdateUploadCount()); }

void frmMain::UpdateAvailableCount() {
  int count = 0;
  SetPanel(2, counts_.UpdateAvailableCount(count));
}

void frmMain::cmdExit_Click() {
  if (!services_.prompter.YesNo(QStringLiteral("You are Exiting Pyxa, Continue?"))) return;
  BusyCursor busy;
  const bool canUpload = CanUpload();
  bool released = false;
  if (indexed_ && indexed_->Count() > 0 && canUpload) {
    busy.Release();
    if (services_.prompter.YesNo(QStringLiteral("Would you like to set the indexed documents for upload\n"
                                                "with the next scheduled upload service?"))) {
      cmdUpload_Click();
    } else {
      UnlockNotUploadedEncounters();
      released = true;
    }
  }
  // The list goes below, before unloading could see it: notes neither queued nor stored give
  // their encounters back now, or those would stay locked.
  if (!released) UnlockNotUploadedEncounters();
  Viewer().DisplayFile(QString());
  indexed_.reset();
  exitConfirmed_ = true;
  close();
}

void frmMain::closeEvent(QCloseEvent* event) {
  // The close box is an exit like any other: it asks first.
  if (!exitConfirmed_ && !services_.prompter.YesNo(QStringLiteral("You are Exiting Pyxa, Continue?"))) {
    event->ignore();
    return;
  }
  exitConfirmed_ = true;
  Form_Unload();
  event->accept();
}

void frmMain::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  liveTimer_.stop();
  UnlockNotUploadedEncounters();
  subClearDocumentFields();
  Viewer().DisplayFile(QString());
  // A minimised window reports no usable rectangle; the stored geometry then stays.
  const bool navigatorOpen = navigator_ && navigator_->isVisible();
  if (navigator_) navigator_->close();
  services_.settings.NavigatorShown = navigatorOpen ? 1 : 0;
  const QRect frame = isMinimized() ? QRect(-32000, -32000, 160, 28) : normalGeometry();
  if (StoreGeometry(services_.settings, frame)) {
    services_.settings.StoreCategory = static_cast<qint32>(defaults_.categoryId);
    services_.settings.StoreType = static_cast<qint32>(defaults_.typeId);
  }
  QString ignored;
  services_.store.SaveSettings(services_.settings, ignored);
}

bool frmMain::ClinicBusy() const { return services_.clinicWait && services_.clinicWait->Waiting(); }

void frmMain::LiveTimer_Timer() {
  // A call in progress keeps the session alive by itself.
  if (ClinicBusy()) return;
  keepAlive_.Tick();
}

void frmMain::mnuAbout_Click() {
  frmAbout about(this);
  about.exec();
}

void frmMain::ReportError(const std::exception& error) {
  // Called first thing in a handler, so errno is still the one the failure left.
  services_.prompter.Critical(GenericErrorMessage(error, errno));
}

}  // namespace pyxa
