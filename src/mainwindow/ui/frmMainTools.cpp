// The main window's toolbar: dispatch by tool key, fitting, zoom and page navigation.
#include "mainwindow/PathText.h"
#include "mainwindow/ToolCommands.h"
#include "shell/ErrorTexts.h"
#include "mainwindow/ui/IndexedTreeWidget.h"
#include "mainwindow/ui/MainPanes.h"
#include "mainwindow/ui/MainToolbar.h"
#include "mainwindow/ui/PageView.h"
#include "mainwindow/ui/frmMain.h"

#include "mainwindow/ui/BatchScanning.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QResizeEvent>

namespace pyxa {
namespace {

// What the viewer answers when asked to save a file left without pages.
constexpr int kNoPagesLeft = -2002;

FitMode ModeOf(FitTool fit) {
  switch (fit) {
    case FitTool::Height:
      return FitMode::Height;
    case FitTool::Width:
      return FitMode::Width;
    default:
      return FitMode::Window;
  }
}

}  // namespace

void frmMain::abMain_ToolClick(const QString& toolName) {
  try {
    const Command command = ParseTool(toolName);
    const bool fileShown = !Viewer().CurrentFileName().isEmpty();
    if (const auto page = TargetPage(command, Viewer().CurrentPage(), Viewer().PageCount(), fileShown)) {
      GoToPage(*page);
      return;
    }
    if (const auto fit = FitOf(command)) {
      ApplyFit(*fit);
      return;
    }
    switch (command) {
      case Command::Index:
        cmdIndex_Click();
        break;
      case Command::Save:
        subSave();
        break;
      case Command::Undo:
        subUndo();
        break;
      case Command::Rotate:
        subRotate();
        break;
      case Command::Delete:
        subDelete();
        break;
      case Command::Print:
        PrintShownFile();
        break;
      case Command::Scenarios:
        if (BatchScanning* kind = ChosenScanning(); kind && kind->HasScenarios()) kind->EditScenarios(this);
        break;
      default:
        break;
    }
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::subRotate() {
  // A file whose every page was deleted on screen has no page to turn.
  if (Viewer().CurrentFileName().isEmpty() || Viewer().PageCount() < 1 || IndexedPagesHeld()) return;
  const ViewerResult result = Viewer().Rotate();
  if (!result.Ok()) services_.prompter.Critical(GenericErrorMessage(result.code, result.description));
  ApplyState();
}

void frmMain::subDelete() {
  // Documents number the pages of the file as it is: none goes while documents hold them.
  if (Viewer().CurrentFileName().isEmpty() || Viewer().PageCount() < 1 || IndexedPagesHeld()) return;
  const ViewerResult result = Viewer().DeleteCurrentPage();
  if (!result.Ok()) services_.prompter.Critical(GenericErrorMessage(result.code, result.description));
  ShowPageNumber();
  ApplyState();
}

void frmMain::subUndo() {
  if (Viewer().CurrentFileName().isEmpty()) return;
  const ViewerResult result = Viewer().Undo();
  if (!result.Ok()) services_.prompter.Critical(GenericErrorMessage(result.code, result.description));
  ShowPageNumber();
  Form_Resize();
  ApplyState();
}

void frmMain::subSave() {
  if (Viewer().CurrentFileName().isEmpty()) return;
  if (SaveShownFile() == PageEditsOutcome::FileDeleted) {
    cmdFile_Click();
  } else if (!proposals_.Empty() || sheetReader_->Busy()) {
    // The saved pages are numbered afresh: so are the documents their sheets propose.
    StartSheetReading();
    RefreshIndexedTree();
  }
  ApplyState();
}

PageEditsOutcome frmMain::SaveShownFile() {
  const ViewerResult result = Viewer().Save();
  if (result.code == kNoPagesLeft || Viewer().HasNoPages()) {
    const bool remove = services_.prompter.Ask({QStringLiteral("There are no Pages in this document. Do you wish to "
                                                               "delete the file?"),
                                                QString(), PromptIcon::Question, PromptButtons::YesNo}) ==
                        PromptAnswer::Yes;
    // Kept: the file stays on disk as it was, its pages deleted on screen only.
    if (!remove) return PageEditsOutcome::Kept;
    const QString path = Viewer().CurrentFileName();
    Viewer().DisplayFile(QString());
    if (!QFile::remove(path)) {
      services_.prompter.Critical(QStringLiteral("Failed to delete the file '%1'.").arg(NameFromFullPath(path)));
    }
    ShowNothing();
    return PageEditsOutcome::FileDeleted;
  }
  ShowPageNumber();
  // A failed save leaves the file as it was on disk; the edits stay on screen to try again.
  if (!result.Ok()) {
    services_.prompter.Critical(GenericErrorMessage(result.code, result.description));
    return PageEditsOutcome::Kept;
  }
  return PageEditsOutcome::Settled;
}

void frmMain::ApplyFit(FitTool fit) {
  if (!Viewer().CurrentFileName().isEmpty()) Viewer().Fit(ModeOf(fit));
  state_.PressFit(fit);
  toolbar_->ZoomBox()->setCurrentIndex(-1);
  toolbar_->ZoomBox()->clearEditText();
  ApplyState();
}

void frmMain::ZoomDocument(const QString& text) {
  if (Viewer().PageCount() < 1 || text.isEmpty()) return;
  const std::optional<int> parsed = ParseZoomText(text);
  const int percent = parsed.value_or(kZoomFallback);
  if (!parsed) toolbar_->ZoomBox()->setEditText(QString::number(kZoomFallback));
  Viewer().Zoom(percent);
  state_.PressZoom();
  ApplyState();
}

void frmMain::ZoomStep(int direction) {
  if (!state_.Enabled(QStringLiteral("btnZoom"))) return;
  // The next level of the zoom list above or below the scale in use, a fitted one included:
  // zooming in from a page fitted at 63% goes to 75%, never back down to a fixed level.
  const int current = state_.CurrentFit() == FitTool::Zoom
                          ? ParseZoomText(toolbar_->ZoomBox()->currentText()).value_or(100)
                          : Viewer().ShownPercent();
  const QStringList levels = ZoomLevels();
  QString next;
  if (direction > 0) {
    for (const QString& level : levels) {
      if (ParseZoomText(level).value_or(0) > current) {
        next = level;
        break;
      }
    }
  } else {
    for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
      if (ParseZoomText(*it).value_or(0) < current) {
        next = *it;
        break;
      }
    }
  }
  if (next.isEmpty()) return;  // past the last level that way: the scale stays
  toolbar_->ZoomBox()->setEditText(next);
  ZoomDocument(next);
}

void frmMain::btnPage_Commit() {
  const QString text = toolbar_->PageBox()->text();
  if (Viewer().CurrentFileName().isEmpty() || text.isEmpty()) return;
  const int page = text.toInt();
  // A number past the end puts the page in view back in the box.
  if (page >= 1 && page <= Viewer().PageCount()) {
    GoToPage(page);
  } else {
    ShowPageNumber();
  }
}

ViewerResult frmMain::ChangePage(int page) {
  if (Viewer().CurrentFileName().isEmpty()) return {2002, QStringLiteral("No image is loaded yet.")};
  if (page < 1 || page > Viewer().PageCount()) {
    return {2008, QString::number(page) + QStringLiteral(" is not a valid page.")};
  }
  const ViewerResult result = Viewer().ChangePage(page);
  ShowPageNumber();
  return result;
}

void frmMain::GoToPage(int page) {
  if (Viewer().CurrentFileName().isEmpty()) return;
  if (ChangePage(page).Ok()) Form_Resize();
  ShowPageNumber();
}

void frmMain::ShowPageNumber() {
  const bool shown = !Viewer().CurrentFileName().isEmpty();
  toolbar_->PageBox()->setText(shown ? QString::number(Viewer().CurrentPage()) : QString());
  toolbar_->ShowPageCount(shown ? Viewer().PageCount() : 0);
  FollowPageReading();
}

void frmMain::Form_Resize() {
  if (Viewer().CurrentFileName().isEmpty()) return;
  const FitTool fit = state_.CurrentFit();
  if (fit == FitTool::Zoom) {
    Viewer().Zoom(ParseZoomText(toolbar_->ZoomBox()->currentText()).value_or(kZoomFallback));
  } else {
    Viewer().Fit(ModeOf(fit));
  }
}

void frmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  toolbar_->FitTo(width());
  Form_Resize();
}

}  // namespace pyxa
