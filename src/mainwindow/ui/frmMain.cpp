#include "mainwindow/ui/frmMain.h"

#include "mainwindow/WindowGeometry.h"
#include "platform/ui/BusyCursor.h"
#include "shell/ErrorTexts.h"
#include "shell/ui/frmAbout.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace pyxa {

frmMain::frmMain(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent),
      services_(services),
      keepAlive_(services.session, services.prompter, services.login, *this) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Pyxadesk"));
  // The size a window without stored geometry gets when it is restored from maximised.
  resize(1100, 720);
  CreateMenus();
  CreateCentralArea();
  statusBar()->setObjectName(QStringLiteral("StatusBar1"));

  liveTimer_.setObjectName(QStringLiteral("LiveTimer"));
  liveTimer_.setInterval(KeepAlive::kIntervalMs);
  connect(&liveTimer_, &QTimer::timeout, this, &frmMain::LiveTimer_Timer);
}

frmMain::~frmMain() = default;

QAction* frmMain::AddAction(QMenu* menu, const QString& name, const QString& caption) {
  auto* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

void frmMain::CreateMenus() {
  auto* bar = menuBar();
  auto* file = bar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("mnuFile"));
  auto* open = file->addMenu(QStringLiteral("&Open From ..."));
  open->setObjectName(QStringLiteral("mnuFileOpen"));
  // Commands whose windows arrive with their own features stay disabled until then.
  AddAction(open, QStringLiteral("mnuFileOpenScan"), QStringLiteral("&Scanner"))->setEnabled(false);
  AddAction(open, QStringLiteral("mnuFileOpenFiles"), QStringLiteral("&File"))->setEnabled(false);
  AddAction(file, QStringLiteral("mnuFileSave"), QStringLiteral("Save"))->setEnabled(false);
  AddAction(file, QStringLiteral("mnuFilePrint"), QStringLiteral("&Print"))->setEnabled(false);
  file->addSeparator();
  auto* exitAction = AddAction(file, QStringLiteral("mnuFileExit"), QStringLiteral("E&xit"));
  connect(exitAction, &QAction::triggered, this, &frmMain::cmdExit_Click);

  auto* edit = bar->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("mnuEdit"));
  AddAction(edit, QStringLiteral("mnuEditUndo"), QStringLiteral("&Undo"))->setEnabled(false);
  AddAction(edit, QStringLiteral("mnuEditDelete"), QStringLiteral("&Delete"))->setEnabled(false);
  AddAction(edit, QStringLiteral("mnuEditRotate"), QStringLiteral("&Rotate"))->setEnabled(false);

  auto* tools = bar->addMenu(QStringLiteral("&Tools"));
  tools->setObjectName(QStringLiteral("mnuTools"));
  AddAction(tools, QStringLiteral("mnuToolsOptions"), QStringLiteral("&Options"))->setEnabled(false);

  auto* actions = bar->addMenu(QStringLiteral("&Actions"));
  actions->setObjectName(QStringLiteral("mnuActions"));
  AddAction(actions, QStringLiteral("mnuActionsSave"), QStringLiteral("Save Documents"))->setEnabled(false);
  AddAction(actions, QStringLiteral("mnuActionsUpload"), QStringLiteral("Upload"))->setEnabled(false);
  AddAction(actions, QStringLiteral("mnuActionsUploadNow"), QStringLiteral("Upload Now"))->setEnabled(false);
  // Enabled exactly when one of the upload commands is.
  actions->menuAction()->setEnabled(false);

  auto* recon = bar->addAction(QStringLiteral("&Reconciliation"));
  recon->setObjectName(QStringLiteral("mnuRecon"));
  recon->setEnabled(false);
  auto* log = bar->addAction(QStringLiteral("&Log"));
  log->setObjectName(QStringLiteral("mnuLog"));
  log->setEnabled(false);

  auto* help = bar->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("mnuHelp"));
  // Kept for its name; it has no command of its own, so the user never sees it.
  AddAction(help, QStringLiteral("mnuHelopAbout"), QStringLiteral("&About Corvantis Pyxa"))->setVisible(false);
  auto* about = AddAction(help, QStringLiteral("mnuAbout"), QStringLiteral("A&bout"));
  connect(about, &QAction::triggered, this, &frmMain::mnuAbout_Click);

  auto* popup = new QMenu(this);
  popup->setObjectName(QStringLiteral("popRemove"));
  AddAction(popup, QStringLiteral("popRemoveNode"), QStringLiteral("Remove Page"));
  AddAction(popup, QStringLiteral("popRemoveDoc"), QStringLiteral("Remove Document"));
}

void frmMain::CreateCentralArea() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  auto* work = new QLabel(central);
  work->setObjectName(QStringLiteral("lblWorkArea"));
  work->setAlignment(Qt::AlignCenter);
  work->setFrameShape(QFrame::StyledPanel);
  work->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  layout->addWidget(work, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  cmdExit_ = new QPushButton(QStringLiteral("E&xit"), central);
  cmdExit_->setObjectName(QStringLiteral("cmdExit"));
  connect(cmdExit_, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
  buttons->addWidget(cmdExit_);
  layout->addLayout(buttons);
  setCentralWidget(central);
}

void frmMain::Form_Load() {
  try {
    BusyCursor busy;
    if (const auto stored = StoredGeometry(services_.settings); stored && !isMaximized()) setGeometry(*stored);
    references_.LoadCategories(services_.session);
    references_.LoadCountry(services_.session);
    if (auto* work = findChild<QLabel*>(QStringLiteral("lblWorkArea"))) {
      work->setText(QStringLiteral("Logged in as %1.").arg(services_.session.Login()));
    }
  } catch (const ServiceError& error) {
    services_.prompter.Critical(GenericErrorMessage(error.Number(), error.Description()));
  } catch (const std::exception& error) {
    services_.prompter.Critical(GenericErrorMessage(0, QString::fromStdString(error.what())));
  }
  liveTimer_.start();
}

void frmMain::cmdExit_Click() {
  if (!services_.prompter.YesNo(QStringLiteral("You are Exiting Pyxa, Continue?"))) return;
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
  // A minimised window reports no usable rectangle; the stored geometry then stays.
  const QRect frame = isMinimized() ? QRect(-32000, -32000, 160, 28) : normalGeometry();
  StoreGeometry(services_.settings, frame);
  QString ignored;
  services_.store.SaveSettings(services_.settings, ignored);
}

void frmMain::LiveTimer_Timer() { keepAlive_.Tick(); }

void frmMain::mnuAbout_Click() {
  frmAbout about(this);
  about.exec();
}

}  // namespace pyxa
