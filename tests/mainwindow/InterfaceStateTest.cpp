#include "mainwindow/InterfaceState.h"

#include <gtest/gtest.h>

namespace pyxa {
namespace {

QStringList EnabledControls(const InterfaceState& state) {
  QStringList enabled;
  for (const QString& control : state.Controls()) {
    if (state.Enabled(control)) enabled << control;
  }
  return enabled;
}

QStringList Sorted(QStringList list) {
  list.sort();
  return list;
}

QStringList Names(std::initializer_list<const char*> names) {
  QStringList list;
  for (const char* name : names) list << QString::fromLatin1(name);
  return Sorted(list);
}

const auto kFitAndZoom = {"btnFitHeight", "btnFitWidth", "btnFitWindow", "btnZoom"};
const auto kPageEdits = {"btnRotate", "btnDelete", "btnUndo",  "btnSave",     "btnPrint",
                         "btnIndex",  "mnuEdit",   "mnuActions", "mnuFileSave", "mnuFilePrint"};
const auto kNavigation = {"btnNavFirst", "btnNavPrevious", "btnNavNext", "btnNavLast", "btnPage"};

void ExpectAll(const InterfaceState& state, std::initializer_list<const char*> controls, bool enabled) {
  for (const char* control : controls) EXPECT_EQ(state.Enabled(QString::fromLatin1(control)), enabled) << control;
}

TEST(InterfaceStateTest, StartUpOffersNothingUntilStoredDocumentsOpenTheUploadSteps) {
  InterfaceState state;
  EXPECT_TRUE(state.Mode().isEmpty());
  EXPECT_FALSE(state.Enabled(QStringLiteral("noSuchControl")));
  EXPECT_TRUE(state.Controls().contains(QStringLiteral("cmdUploadNow")));

  state.EnterInit();
  EXPECT_EQ(state.Mode(), QStringLiteral("Init"));
  EXPECT_EQ(EnabledControls(state), QStringList());

  InterfaceState mayNotUpload = state;
  mayNotUpload.ApplyStoredDocuments(2, 1, false);
  EXPECT_EQ(EnabledControls(mayNotUpload), QStringList());

  InterfaceState onlyAwaiting = state;
  onlyAwaiting.ApplyStoredDocuments(0, 3, true);
  EXPECT_EQ(Sorted(EnabledControls(onlyAwaiting)),
            Names({"cmdUploadNow", "fraStep3", "mnuActionsUploadNow", "mnuActions"}));

  state.ApplyStoredDocuments(2, 1, true);
  EXPECT_EQ(Sorted(EnabledControls(state)),
            Names({"fraStep2", "cmdIndex", "btnIndex", "fraStep3", "cmdUpload", "mnuActionsUpload", "cmdUploadNow",
                   "mnuActionsUploadNow", "mnuActions"}));
}

TEST(InterfaceStateTest, BrowseOpensTheFilesTreeAndTheUploadStepByTheIndexedDocuments) {
  InterfaceState empty;
  empty.EnterFile(0, true, true);
  EXPECT_EQ(empty.Mode(), QStringLiteral("File"));
  EXPECT_EQ(empty.Source(), DocumentSource::Files);
  EXPECT_EQ(EnabledControls(empty), Names({"sstFiles"}));

  InterfaceState withDocuments;
  withDocuments.EnterFile(2, true, true);
  EXPECT_EQ(Sorted(EnabledControls(withDocuments)),
            Names({"sstFiles", "cmdUpload", "cmdIndex", "cmdUploadNow", "btnIndex", "mnuActionsUpload", "mnuActions"}));

  InterfaceState mayNotUpload;
  mayNotUpload.EnterFile(2, false, true);
  EXPECT_EQ(EnabledControls(mayNotUpload), Names({"sstFiles"}));

  // Browsing clears a shown file: every image tool goes off again.
  InterfaceState afterScan;
  afterScan.EnterScan();
  afterScan.AfterScan();
  afterScan.EnterFile(0, true, true);
  ExpectAll(afterScan, kFitAndZoom, false);
  ExpectAll(afterScan, kPageEdits, false);
  ExpectAll(afterScan, kNavigation, false);
  ExpectAll(afterScan, {"cmdIndex", "btnIndex", "cmdUpload", "mnuActionsUpload"}, false);
}

TEST(InterfaceStateTest, ChoosingAFileOffersIndexingAndFitsOnlyForPagedKinds) {
  InterfaceState state;
  state.EnterInit();
  state.EnterFile(0, true, true);

  state.BeginDisplay(true);
  state.AfterFileShown(true, true);
  state.FileChosen(true);
  ExpectAll(state, kFitAndZoom, true);
  ExpectAll(state, kNavigation, true);
  ExpectAll(state, {"btnRotate", "btnDelete", "btnUndo", "btnSave", "btnPrint", "mnuEdit"}, true);
  ExpectAll(state, {"fraStep2", "cmdIndex", "btnIndex"}, true);
  EXPECT_FALSE(state.Enabled(QStringLiteral("mnuActions")));  // no upload command is on

  // A TIF shown while the files tree is not at the top: no page edits, but it still fits.
  state.BeginDisplay(true);
  state.AfterFileShown(true, false);
  ExpectAll(state, {"btnRotate", "btnDelete", "btnUndo", "btnSave", "mnuEdit"}, false);
  ExpectAll(state, kFitAndZoom, true);
  ExpectAll(state, kNavigation, true);

  // A PDF stands as a picture: it can be indexed but not fitted or zoomed.
  state.BeginDisplay(true);
  state.AfterFileShown(false, true);
  state.FileChosen(false);
  ExpectAll(state, kFitAndZoom, false);
  ExpectAll(state, {"fraStep2", "cmdIndex", "btnIndex"}, true);

  state.BeginDisplay(false);
  state.FilesRootChosen();
  ExpectAll(state, {"fraStep2", "cmdIndex", "btnIndex"}, false);
  ExpectAll(state, kFitAndZoom, false);
  ExpectAll(state, kNavigation, false);
}

TEST(InterfaceStateTest, ScanTurnsEveryImageToolOnOnceABatchIsShown) {
  InterfaceState state;
  state.EnterFile(2, true, true);
  state.EnterScan();
  EXPECT_EQ(state.Mode(), QStringLiteral("Scan"));
  EXPECT_EQ(state.Source(), DocumentSource::Scanner);
  ExpectAll(state, {"cmdIndex", "btnIndex", "cmdNew", "cmdNext", "cmdAppendAll"}, false);

  InterfaceState cancelled = state;
  cancelled.ScanCancelled();
  ExpectAll(cancelled, {"cmdIndex", "btnIndex"}, true);

  InterfaceState fresh;
  fresh.EnterScan();
  fresh.AfterScan();
  EXPECT_EQ(Sorted(EnabledControls(fresh)),
            Names({"btnFitHeight", "btnFitWidth", "btnFitWindow", "btnZoom", "btnRotate", "btnDelete", "btnUndo",
                   "btnSave", "btnPrint", "btnIndex", "mnuEdit", "mnuFileSave", "mnuFilePrint", "btnNavFirst",
                   "btnNavPrevious", "btnNavNext", "btnNavLast", "btnPage", "fraStep2", "cmdIndex"}));
}

TEST(InterfaceStateTest, IndexingOffersFittingAndNavigationButNoPageEdits) {
  InterfaceState first;
  EXPECT_TRUE(first.EnterIndexing(0, true, true));
  EXPECT_EQ(first.Mode(), QStringLiteral("Indexing"));
  EXPECT_EQ(Sorted(EnabledControls(first)),
            Names({"btnFitHeight", "btnFitWidth", "btnFitWindow", "btnZoom", "btnNavFirst", "btnNavPrevious",
                   "btnNavNext", "btnNavLast", "btnPage", "cmdNew"}));

  InterfaceState more;
  more.EnterIndexing(1, true, true);
  ExpectAll(more, {"cmdUpload", "mnuActionsUpload", "cmdUploadNow", "mnuActionsUploadNow", "mnuActions"}, true);
  ExpectAll(more, {"cmdIndex", "btnIndex", "cmdNext", "cmdAppendAll"}, false);

  InterfaceState mayNotUpload;
  mayNotUpload.EnterIndexing(1, false, true);
  ExpectAll(mayNotUpload, {"cmdNew", "cmdUpload", "mnuActionsUpload", "mnuActions"}, false);

  // Nothing to index: the mode and the image tools stay as they were.
  InterfaceState nothing;
  nothing.EnterFile(0, true, true);
  nothing.BeginDisplay(true);
  nothing.AfterFileShown(true, true);
  nothing.FileChosen(true);
  EXPECT_FALSE(nothing.EnterIndexing(0, true, false));
  EXPECT_EQ(nothing.Mode(), QStringLiteral("File"));
  ExpectAll(nothing, {"btnRotate", "btnDelete"}, true);
  ExpectAll(nothing, {"cmdIndex", "btnIndex", "cmdUpload"}, false);
}

TEST(InterfaceStateTest, ImageInterfaceFitsOnlyWhenExactlyOneOfEnabledAndSizingIsTrue) {
  InterfaceState state;
  state.ControlImageInterface(true, true, false);
  ExpectAll(state, kFitAndZoom, false);
  ExpectAll(state, kPageEdits, true);
  ExpectAll(state, kNavigation, false);

  state.ControlImageInterface(false, true, true);
  ExpectAll(state, kFitAndZoom, true);
  ExpectAll(state, kPageEdits, false);
  ExpectAll(state, kNavigation, true);

  state.ControlImageInterface(true, false, false);
  ExpectAll(state, kFitAndZoom, true);

  state.ControlImageInterface(false, false, true);
  ExpectAll(state, kFitAndZoom, false);
  ExpectAll(state, kNavigation, true);
}

TEST(InterfaceStateTest, ActionsMenuFollowsTheUploadMenus) {
  InterfaceState state;
  state.ControlImageInterface(true, false, false);
  EXPECT_TRUE(state.Enabled(QStringLiteral("mnuActions")));
  state.ControlDocumentInterface(true);
  EXPECT_TRUE(state.Enabled(QStringLiteral("btnIndex")));
  EXPECT_FALSE(state.Enabled(QStringLiteral("mnuActions")));

  state.SetEnabled(QStringLiteral("mnuActionsUploadNow"), true);
  state.ControlDocumentInterface(false);
  EXPECT_FALSE(state.Enabled(QStringLiteral("btnIndex")));
  EXPECT_TRUE(state.Enabled(QStringLiteral("mnuActions")));

  state.SetEnabled(QStringLiteral("mnuActionsUploadNow"), false);
  state.SetEnabled(QStringLiteral("mnuActionsUpload"), true);
  state.UpdateActionsMenu();
  EXPECT_TRUE(state.Enabled(QStringLiteral("mnuActions")));
}

TEST(InterfaceStateTest, AnUnknownModeChangesNothing) {
  InterfaceState state;
  state.EnterFile(2, true, true);
  const QStringList before = EnabledControls(state);
  for (const QString& mode : {QStringLiteral("Browse"), QStringLiteral("indexing"), QString()}) {
    EXPECT_FALSE(state.SetInterfaceMode(mode));
    EXPECT_EQ(state.Mode(), QStringLiteral("File"));
    EXPECT_EQ(EnabledControls(state), before);
  }
  EXPECT_TRUE(state.SetInterfaceMode(QStringLiteral("Scan")));
  EXPECT_EQ(state.Mode(), QStringLiteral("Scan"));
}

TEST(InterfaceStateTest, OneFitIsPressedAtATimeAndResizeReappliesIt) {
  InterfaceState state;
  EXPECT_EQ(state.CurrentFit(), FitTool::Window);

  state.PressFit(FitTool::Width);
  EXPECT_EQ(state.CurrentFit(), FitTool::Width);
  EXPECT_TRUE(state.Pressed(QStringLiteral("btnFitWidth")));

  state.PressZoom();
  EXPECT_EQ(state.CurrentFit(), FitTool::Zoom);
  EXPECT_TRUE(state.Pressed(QStringLiteral("btnZoom")));
  EXPECT_FALSE(state.Pressed(QStringLiteral("btnFitWidth")));

  state.PressFit(FitTool::Height);
  EXPECT_EQ(state.CurrentFit(), FitTool::Height);
  EXPECT_FALSE(state.Pressed(QStringLiteral("btnZoom")));

  state.PressFit(FitTool::Window);
  EXPECT_EQ(state.CurrentFit(), FitTool::Window);
  EXPECT_FALSE(state.Pressed(QStringLiteral("btnFitHeight")));
}

TEST(InterfaceStateTest, LayoutShowsThePanesEachModeNeeds) {
  const PaneLayout file = InterfaceState::Layout(QStringLiteral("File"), DocumentSource::Files);
  EXPECT_TRUE(file.filesTree);
  EXPECT_GT(file.filesStretch, file.indexedStretch);
  EXPECT_FALSE(file.indexingPane);
  EXPECT_TRUE(file.pageEditing);

  const PaneLayout fromFiles = InterfaceState::Layout(QStringLiteral("Indexing"), DocumentSource::Files);
  EXPECT_TRUE(fromFiles.filesTree);
  EXPECT_TRUE(fromFiles.indexingPane);
  EXPECT_GT(fromFiles.rightStretch, 0);
  EXPECT_FALSE(fromFiles.pageEditing);

  const PaneLayout fromScanner = InterfaceState::Layout(QStringLiteral("Indexing"), DocumentSource::Scanner);
  EXPECT_FALSE(fromScanner.filesTree);
  EXPECT_TRUE(fromScanner.indexedTree);
  EXPECT_TRUE(fromScanner.indexingPane);
}

}  // namespace
}  // namespace pyxa
