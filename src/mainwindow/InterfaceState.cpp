#include "mainwindow/InterfaceState.h"

namespace pyxa {
namespace {

QString FitToolName(FitTool fit) {
  switch (fit) {
    case FitTool::Height:
      return QStringLiteral("btnFitHeight");
    case FitTool::Width:
      return QStringLiteral("btnFitWidth");
    case FitTool::Window:
      return QStringLiteral("btnFitWindow");
    case FitTool::Zoom:
      break;
  }
  return QStringLiteral("btnZoom");
}

}  // namespace

InterfaceState::InterfaceState() {
  Set({"btnFitHeight", "btnFitWidth", "btnFitWindow", "btnZoom",
       // page edits and their menus
       "btnRotate", "btnDelete", "btnUndo", "btnSave", "btnPrint", "btnIndex", "mnuEdit", "mnuActions", "mnuFileSave",
       "mnuFilePrint",
       // navigation
       "btnNavFirst", "btnNavPrevious", "btnNavNext", "btnNavLast", "btnPage",
       // the three steps, the document commands and the files tree
       "fraStep2", "cmdIndex", "fraStep3", "cmdUpload", "cmdUploadNow", "mnuActionsUpload", "mnuActionsUploadNow",
       "cmdNew", "cmdNext", "cmdAppendAll", "sstFiles"},
      false);
}

void InterfaceState::Set(std::initializer_list<const char*> controls, bool enabled) {
  for (const char* control : controls) enabled_.insert(QString::fromLatin1(control), enabled);
}

bool InterfaceState::Enabled(const QString& control) const { return enabled_.value(control, false); }

void InterfaceState::SetEnabled(const QString& control, bool enabled) { enabled_.insert(control, enabled); }

QStringList InterfaceState::Controls() const { return enabled_.keys(); }

bool InterfaceState::Pressed(const QString& tool) const { return pressed_.contains(tool); }

void InterfaceState::PressFit(FitTool fit) {
  pressed_.clear();
  pressed_.insert(FitToolName(fit));
}

FitTool InterfaceState::CurrentFit() const {
  for (const FitTool fit : {FitTool::Height, FitTool::Width, FitTool::Zoom}) {
    if (Pressed(FitToolName(fit))) return fit;
  }
  return FitTool::Window;
}

void InterfaceState::ControlImageInterface(bool blnEnabled, bool AllowSizing, bool AllowNav) {
  const bool sizing = blnEnabled != AllowSizing;
  Set({"btnFitHeight", "btnFitWidth", "btnFitWindow", "btnZoom"}, sizing);
  Set({"btnRotate", "btnDelete", "btnUndo", "btnSave", "btnPrint", "btnIndex", "mnuEdit", "mnuActions", "mnuFileSave",
       "mnuFilePrint"},
      blnEnabled);
  Set({"btnNavFirst", "btnNavPrevious", "btnNavNext", "btnNavLast", "btnPage"}, AllowNav);
}

void InterfaceState::ControlDocumentInterface(bool blnEnabled) {
  Set({"btnIndex"}, blnEnabled);
  UpdateActionsMenu();
}

void InterfaceState::UpdateActionsMenu() {
  Set({"mnuActions"}, Enabled(QStringLiteral("mnuActionsUpload")) || Enabled(QStringLiteral("mnuActionsUploadNow")));
}

bool InterfaceState::SetInterfaceMode(const QString& mode) {
  static const QStringList modes = {QStringLiteral("Init"), QStringLiteral("Scan"), QStringLiteral("File"),
                                    QStringLiteral("Indexing")};
  if (!modes.contains(mode)) return false;
  mode_ = mode;
  return true;
}

PaneLayout InterfaceState::Layout(const QString& mode, DocumentSource source) {
  PaneLayout layout;  // "Init": both trees small on the left, the page view takes the room
  if (mode == QStringLiteral("Scan")) {
    // Pages come from the scanner: the files tree has nothing to offer.
    layout.filesTree = false;
    layout.centreStretch = 4;
  } else if (mode == QStringLiteral("File")) {
    // Browsing: the files tree gets most of a wider left column.
    layout.filesStretch = 3;
    layout.leftStretch = 2;
  } else if (mode == QStringLiteral("Indexing")) {
    layout.filesTree = source == DocumentSource::Files;
    layout.indexingPane = true;
    layout.pageEditing = false;
    layout.indexedStretch = 2;
    layout.centreStretch = 2;
    layout.rightStretch = 1;
  }
  return layout;
}

void InterfaceState::EnterInit() {
  SetInterfaceMode(QStringLiteral("Init"));
  Set({"fraStep2", "cmdIndex", "btnIndex", "fraStep3", "cmdUpload", "cmdUploadNow", "mnuActionsUpload",
       "mnuActionsUploadNow"},
      false);
  // cmdIndex is now off, so the document commands go off whatever the provider list holds.
  FollowIndexButton(false);
  ControlImageInterface(false, false, false);
  ControlDocumentInterface(false);
}

void InterfaceState::ApplyStoredDocuments(int storedCount, int awaitingCount, bool canUploadRpts) {
  if (storedCount > 0 && canUploadRpts) {
    Set({"fraStep2", "cmdIndex", "btnIndex", "fraStep3", "cmdUpload", "mnuActionsUpload"}, true);
  }
  if (awaitingCount > 0 && canUploadRpts) Set({"cmdUploadNow", "fraStep3", "mnuActionsUploadNow"}, true);
  UpdateActionsMenu();
}

void InterfaceState::FollowIndexButton(bool providersListed) {
  if (!Enabled(QStringLiteral("cmdIndex")) || !providersListed) Set({"cmdNew", "cmdNext", "cmdAppendAll"}, false);
}

void InterfaceState::EnterFile(int indexedCount, bool canUploadRpts, bool providersListed) {
  Set({"sstFiles"}, true);
  source_ = DocumentSource::Files;
  BeginDisplay(false);
  Set({"cmdIndex", "btnIndex"}, false);
  if (indexedCount <= 0) {
    Set({"cmdUpload", "cmdIndex", "btnIndex", "mnuActionsUpload"}, false);
  } else if (canUploadRpts) {
    Set({"cmdUpload", "cmdIndex", "cmdUploadNow", "btnIndex", "mnuActionsUpload"}, true);
  }
  FollowIndexButton(providersListed);
  UpdateActionsMenu();
  SetInterfaceMode(QStringLiteral("File"));
}

void InterfaceState::FilesRootChosen() {
  Set({"fraStep2", "btnIndex", "cmdIndex", "btnFitHeight", "btnFitWidth", "btnFitWindow", "btnZoom"}, false);
}

void InterfaceState::BeginDisplay(bool nameNotEmpty) {
  ControlImageInterface(false, nameNotEmpty, nameNotEmpty);
  ControlDocumentInterface(nameNotEmpty);
}

void InterfaceState::AfterFileShown(bool tifOrJpg, bool treeAtTop) {
  if (tifOrJpg) {
    // A shown image can always be fitted and zoomed; only editing depends on the tree. (Passing
    // AllowSizing false here would, by the exclusive-or, switch fitting off whenever editing is.)
    ControlImageInterface(treeAtTop, !treeAtTop, true);
  } else {
    Set({"btnFitHeight", "btnFitWidth", "btnFitWindow"}, false);
  }
  ControlDocumentInterface(true);
}

void InterfaceState::FileChosen(bool tifOrJpg) {
  Set({"fraStep2", "btnIndex", "cmdIndex"}, true);
  Set({"btnFitHeight", "btnFitWidth", "btnFitWindow", "btnZoom"}, tifOrJpg);
}

void InterfaceState::AllowNavigation(bool allowed) {
  Set({"btnNavFirst", "btnNavPrevious", "btnNavNext", "btnNavLast", "btnPage"}, allowed);
}

void InterfaceState::EnterScan() {
  source_ = DocumentSource::Scanner;
  Set({"cmdIndex", "btnIndex"}, false);
  FollowIndexButton(false);
  SetInterfaceMode(QStringLiteral("Scan"));
}

void InterfaceState::ScanCancelled() { Set({"cmdIndex", "btnIndex"}, true); }

void InterfaceState::AfterScan() {
  ControlImageInterface(true, false, true);
  ControlDocumentInterface(true);
  Set({"fraStep2", "cmdIndex"}, true);
}

bool InterfaceState::EnterIndexing(int indexedCount, bool canUploadRpts, bool fileToIndex) {
  Set({"cmdIndex", "btnIndex"}, false);
  if (indexedCount > 0 && canUploadRpts) {
    Set({"cmdUpload", "mnuActionsUpload", "cmdUploadNow", "mnuActionsUploadNow"}, true);
  } else {
    Set({"cmdUpload", "mnuActionsUpload"}, false);
  }
  if (fileToIndex) {
    SetInterfaceMode(QStringLiteral("Indexing"));
    ControlImageInterface(false, true, true);
    Set({"cmdNew"}, canUploadRpts);
    Set({"cmdNext", "cmdAppendAll"}, false);
  }
  UpdateActionsMenu();
  return fileToIndex;
}

}  // namespace pyxa
