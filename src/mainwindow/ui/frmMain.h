// The main window: toolbar, steps, the trees of available and indexed documents, the page
// view, menus and status bar; the start-up and shutdown work of the session. The rules of
// modes and enabled controls live in InterfaceState; this window applies them.
#pragma once

#include "components/DocumentDatabase.h"
#include "coversheets/BatchProposals.h"
#include "mainwindow/CategoryRules.h"
#include "mainwindow/DocumentProperties.h"
#include "mainwindow/FilingGuards.h"
#include "mainwindow/FilePicker.h"
#include "mainwindow/InterfaceState.h"
#include "mainwindow/PageReading.h"
#include "mainwindow/PageViewer.h"
#include "mainwindow/ReferenceLists.h"
#include "mainwindow/TreeModels.h"
#include "patients/EncounterChooser.h"
#include "patients/EncounterLocks.h"
#include "patients/PatientChooser.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "print/PrintState.h"
#include "shell/AppSettings.h"
#include "shell/KeepAlive.h"
#include "shell/LoginPrompt.h"
#include "shell/Session.h"
#include "shell/Settings.h"
#include "shell/ui/PreferencesHost.h"
#include "upload/DocumentStorer.h"
#include "upload/FileDigest.h"
#include "upload/UploadCounts.h"
#include "upload/UploadProcess.h"

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QTreeWidgetItem;

namespace pyxa {

class AuditWindows;
class BatchScanning;
class MainToolbar;
struct DocumentFrame;
struct MainPanes;
struct SearchFrame;
class PageView;
class PrinterPort;
struct PrintServices;
class frmThumbnail;
class SaveFilePicker;
class SheetReader;
class PageReader;
class ClinicWait;

struct MainWindowServices {
  AppSettings& settings;
  SettingsStore& store;
  Session& session;
  Prompter& prompter;
  LoginPrompt& login;
  DatabaseFactory& databases;
  FilePicker& files;
  UploadProcess* upload = nullptr;  // the upload program; the one beside this program when null
  PageViewer* viewer = nullptr;     // the page operations; the window's own page view when null
  PatientChooser* patients = nullptr;  // picks one of several matches; the results window when null
  const Clock* clock = nullptr;        // the system clock when null
  EncounterChooser* encounters = nullptr;  // the encounter windows when null
  EventLog* log = nullptr;                 // the system log when null
  // Called at each step of storing with the step's name, for tests that stop a store there.
  const std::function<void(const char* step)>* storingCheckpoint = nullptr;
  // The Scan command for each scanner kind the settings can choose; it stays off while the chosen one is null.
  BatchScanning* scanning = nullptr;            // the scanning window on SANE
  BatchScanning* productionScanning = nullptr;  // the production scanner
  AuditWindows* audit = nullptr;                // the Log menu; it stays off when null
  // A service object of its own for an address, for the configuration window's test; Options stays off
  // when null.
  std::function<std::unique_ptr<ClinicalService>(const QString& url)> makeService = nullptr;
  // Waits for a clinic server's answers; while it waits, the keep-alive and the sheet readings wait too.
  ClinicWait* clinicWait = nullptr;
  // The Print command prints through the print service; it stays off while either is null.
  PrinterPort* printers = nullptr;
  SaveFilePicker* saveFiles = nullptr;  // the PDF file a print to file writes
  QString printFolder = {};             // where print jobs are made; the system's temporary folder when empty
  // Makes the recogniser that reads the shown file's pages, on the reading thread; no page is read
  // while null.
  std::function<std::unique_ptr<TextRecognizer>()> recognizer = nullptr;
};

// What became of the shown file's page edits when the user was asked about them: none left
// (saved, undone, or there were none), the file deleted (it had no pages left), or kept on
// screen because saving failed or the user kept a file without pages: the caller stays.
enum class PageEditsOutcome { Settled, FileDeleted, Kept };

// The provider, category and type to select next; "just loaded" while they came from the
// stored settings (or an upload) and have not been replaced by a clearing yet.
struct IndexingDefaults {
  qint64 physicianId = 0, categoryId = 0, typeId = 0;
  bool justLoaded = false;
};

class frmMain : public QMainWindow, private KeepAliveTimer, public PreferencesHost {
  Q_OBJECT

 public:
  explicit frmMain(MainWindowServices services, QWidget* parent = nullptr);
  ~frmMain() override;

  // The start-up work that follows construction, in its fixed order.
  void Form_Load();
  // The exit command: asks, then closes the window (which saves the settings).
  void cmdExit_Click();
  // One keep-alive tick of LiveTimer.
  void LiveTimer_Timer();

  // Browse: lists the available files after the questions about unsaved and indexed work.
  void cmdFile_Click();
  void cmdIndex_Click();
  // Scan: one batch from the scanner, shown for indexing, or added to the TIFF shown.
  void cmdScan_Click();
  void mnuLog_Click();
  void mnuToolsOptions_Click();
  // The configuration window's questions (PreferencesHost).
  void ScannerKindChanged() override;
  void SelectScanner() override;
  void EditScenario() override;
  bool ReleaseShownFile() override;
  void RefreshFiles() override;
  int StoredDocuments() override;
  void mnuRecon_Click();
  // For the reconciliation window: a stored document's copy shown read-only (false when it cannot be
  // shown), the view emptied again, and news that a stored document left the store.
  bool ShowStoredFile(const QString& path);
  void ClearStoredFile();
  void StoredDocumentRemoved(std::int64_t documentId);
  // The Print command: the print window for the file the page view shows, pages as shown; the
  // job takes the file's name unless given a title.
  void PrintShownFile(QWidget* parent = nullptr, const QString& title = {});
  // Prints the chosen patient's cover sheet, with the category, type and provider chosen for it.
  void PrintCoverSheet();
  // Tools > Cover Sheets for a List: one sheet for each patient of a list, printed as one job.
  void PrintCoverSheetList();
  // The navigator's place, kept in the user settings; the open navigator moves there.
  void NavigatorTop(int top);
  void NavigatorLeft(int left);
  // Shows or hides the navigator over the page view (View > Navigator).
  void ShowNavigator(bool shown);
  frmThumbnail* Navigator() const { return navigator_; }
  void subIndex();
  void RefreshIndexedTree();
  // Cover sheets: the proposed documents of the shown batch, confirmed one at a time or all.
  void cmdConfirm_Click();
  void cmdConfirmAll_Click();
  const BatchProposals& Proposals() const { return proposals_; }
  // Whether the shown batch is still being read for its sheets.
  bool ReadingSheets() const;
  // Reading the page: what the shown page proposes, accepted with one key (the patient chosen, the
  // document's fields filled and the document created), or only put in the search fields.
  void cmdAcceptReading_Click();
  void cmdFillFromReading_Click(int person = -1);
  const PageProposal& ShownReading() const { return pageProposal_; }
  // Whether the shown file's pages are still being read.
  bool ReadingPages() const;
  void sstFiles_NodeClick(QTreeWidgetItem* node);
  void sstDocuments_NodeClick(QTreeWidgetItem* node);
  // The indexed tree's pop-up commands and page moves, on the selected node.
  void popRemoveNode_Click();
  void popRemoveDoc_Click();
  void sstDocuments_PageDropped(QTreeWidgetItem* page, QTreeWidgetItem* target);
  void abMain_ToolClick(const QString& toolName);

  // Patient search.
  void cmdSearch_Click();
  void cmdClear_Click();
  void subPopulateSearchFieldsFromWS(const PatientResults& results);
  void subClearSearchFields();
  // Ctrl+F: the keyboard to the last name, its text selected; the fields of a chosen patient
  // are cleared first, for the next patient.
  void FocusPatientSearch();
  // The keyboard to the last name, its text selected (typing replaces it).
  void FocusLastName();

  // Document properties and creating documents.
  void cboCategory_Click();
  void cboPhysician_Click();
  void cboType_Click();
  void cmdNew_Click();
  void cmdNext_Click();
  void cmdAppendAll_Click();
  void cmdReset_Click();
  void subClearDocumentFields();
  void PopulateDocumentProperties(const Document& document);
  DocumentFields StoreDocumentProperties() const;
  QString GetDocumentFileExtention() const;
  QString GetSelectedFileExtention() const;
  QString GetSelectedFileName() const;
  const IndexingDefaults& Defaults() const { return defaults_; }

  // Upload: store the indexed documents and queue them; Upload Now also runs the upload program.
  void cmdUpload_Click();
  void cmdUploadNow_Click();
  // Actions > Save Documents: stores the indexed documents without queueing them; they wait in
  // the indexed tree (and come back there at the next start) until they are queued.
  void mnuActionsSave_Click();
  // Reloads the stored documents that never reached the queue (start-up).
  void LoadStoredDocuments();

  // Encounters of clinical notes.
  void cmdEncounters_Click();
  // Releases the chosen encounter when no indexed document uses it.
  void UnlockUnusedEncounters();
  // At exit: releases the encounters of indexed clinical notes that no stored document uses.
  void UnlockNotUploadedEncounters();
  // Page edits of the shown image file.
  void subRotate();
  void subDelete();
  void subUndo();
  void subSave();
  void Form_Resize();

  const ReferenceLists& References() const { return references_; }
  const InterfaceState& State() const { return state_; }
  QTimer& LiveTimer() { return liveTimer_; }
  PageViewer& Viewer() const;
  // The collection of indexed documents; empty until the first document is indexed.
  std::optional<Documents>& IndexedDocuments() { return indexed_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Layout and menus.
  void CreateMenus();
  void CreateStatusBar();
  QAction* AddAction(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& keys = {});
  void ConnectControls();
  // Applies the rules' enabled states and the mode's pane layout to the controls.
  void ApplyState();
  void ApplyLayout();
  void SetPanel(int panel, const QString& text);

  void Form_Unload();
  // The user's rights from the session; both false without one.
  bool CanUpload() const;
  bool CanReview() const;
  // Controls the user's rights turn off say so in their tips.
  void ExplainRights();
  void mnuAbout_Click();
  void UpdateFilesDisplay();
  void UpdateUploadCount();
  void UpdateAvailableCount();
  void ShowStatusFile();
  // The Scan command's scanner for the kind the settings choose; null when that kind is not here.
  BatchScanning* ChosenScanning() const;

  // Files tree.
  void FillFilesTree(const QStringList& names);
  void RootBrowse();
  void ShowChosenFile(const QString& name);
  PageEditsOutcome AskToKeepPageChanges();
  // Saves the shown file's edits; a file left without pages is deleted when the user agrees.
  PageEditsOutcome SaveShownFile();
  // Refuses (told, the shown file's node chosen again) to leave the file whose pages unstored
  // documents hold.
  bool RefuseFileChange(const QString& newPath);
  void SelectShownFileNode();
  void RemoveFilesNode(const QString& name);
  // Controls follow a viewer that shows nothing.
  void ShowNothing();
  bool TreeAtTop() const;
  QString AvailablePath(const QString& name) const;

  // Indexed tree.
  void AddTreeNode(QTreeWidgetItem* parent, const TreeNode& node);
  void ShowDocumentPage(int document, int page, bool fromDocumentNode);
  void sstDocuments_ContextMenu(const QPoint& position);
  void AfterDocumentEdit();
  // The document the frame describes for the pages of the shown file (no pages yet); false when
  // refused, the user told why.
  // digest: the shown file's, when the caller has just taken it.
  bool DocumentFromFrame(const IndexingView& view, Document& record, const QByteArray& digest = {});
  // Controls follow a document just added to the collection.
  void AfterDocumentAdded();

  // Cover sheets.
  void StartSheetReading();
  void SheetsRead(const BatchReading& reading);
  // A clinic call is waiting for its answer: work that timers start must not run in its midst.
  bool ClinicBusy() const;
  bool ProposalsShown() const;
  void AddProposalNodes();
  void FollowProposals();
  // A click on the proposals branch; false when the node is not of it.
  bool ProposalNodeClick(QTreeWidgetItem* node);
  void ShowProposal(int index);
  void sstProposals_ContextMenu(QTreeWidgetItem* node, const QPoint& position);
  // Whether the proposals still number the shown file's pages (told why not, and read again).
  bool ProposalsStillHold();
  // single: the clerk's one confirmation (asked when the chosen patient is not the sheet's).
  bool ConfirmProposal(int index, bool single);

  // Reading the page.
  void FollowPageReading();
  void PageRead(const QString& file, int page);
  void ShowReadingBar();
  // The proposal's category, type, sender and date in the document's fields.
  void ApplyIndexProposal(const IndexProposal& index);
  // The text read from a document's pages, for the store; empty when not all of them were read.
  QString PagesText(const Document& document) const;
  // What the stored documents say the clerk chose for each sender.
  QVector<SenderChoice> PastSenderChoices() const;

  // Toolbar.
  void ApplyFit(FitTool fit);
  void ZoomDocument(const QString& text);
  void ZoomStep(int direction);
  void btnPage_Commit();
  void GoToPage(int page);
  // Shows a page of the shown file; the failure says why in the program's words.
  ViewerResult ChangePage(int page);
  void ShowPageNumber();

  // The print window's services; only while both the printers and the file picker are there.
  PrintServices Printing();
  // Reports an unexpected failure of a handler with the generic message.
  void ReportError(const std::exception& error);

  // Search and document frames.
  void ConnectIndexingControls();
  void ResetEncounterChoice();
  SearchCriteria Criteria() const;
  ChosenPatient Patient() const;
  void ShowPatient(const ChosenPatient& patient);
  bool Country2() const { return references_.HidesHealthCard(); }
  QDateTime Now() const;
  void FillReferenceBoxes();
  // The category's labels, lists and visibility; false when a provider without correspondence
  // types reset the fields.
  bool ApplyCategoryLayout(const CategoryLayout& layout);
  bool FillTypes(const CategoryLayout& layout);
  CategoryLayout CurrentCategoryLayout() const;
  QString CategoryText() const;  // empty when no category is chosen
  qint64 SelectedId(const QComboBox* box) const;
  // Selects the entry with the identifier; false when there is none.
  static bool SelectId(QComboBox* box, qint64 id);
  void AfterPagesAppended();
  // The shown file and page and the chosen patient, for the filing checks.
  IndexingView ShownForIndexing() const;
  void ShowAppendTarget();
  // Empties the fields that describe one document (notes, flags, dates, sender, name) when they
  // would otherwise carry into another patient's document unnoticed.
  void FollowPatientChange();
  // Empties the fields that describe one document only: notes, flags, dates and sender.
  void ClearOneDocumentFields();
  bool EncounterStillNeeded(qint64 encounterId);
  void ShowIndexedDocument(int document);
  HeldEncounter ChosenEncounterShown() const;
  // Stores and (with handOver) queues the indexed documents; false when anything failed (told
  // already).
  bool QueueIndexedDocuments(const QString& handOverFailure, bool handOver = true);
  void ResetAfterQueue(bool newCollection);
  // After a queueing: controls, status and the proposed name follow what is shown now; page
  // edits (editing) or fitting then apply to it, Index waits for it to be chosen again.
  void FollowShownAfterQueue(bool editing);
  // Whether documents not stored yet hold pages of a file: its pages may not be edited then.
  bool IndexedPagesHeld() const;
  void FollowUploadCount(bool keepWhenNone);
  QString SourcePath() const;
  UploadProcess& Uploader();
  void WaitForUploadProgram();
  static constexpr int kUploadPollMs = 250;
  void ShowEncounterDate(const QDate& date);
  // KeepAliveTimer
  void Stop() override { liveTimer_.stop(); }
  void Start() override { liveTimer_.start(); }

  MainWindowServices services_;
  ReferenceLists references_;
  InterfaceState state_;
  UploadCounts counts_;
  KeepAlive keepAlive_;
  QTimer liveTimer_;
  MainToolbar* toolbar_ = nullptr;
  std::unique_ptr<MainPanes> panes_;
  std::unique_ptr<SearchFrame> search_;
  std::unique_ptr<DocumentFrame> document_;
  std::unique_ptr<PatientChooser> ownChooser_;
  std::unique_ptr<EncounterChooser> ownEncounterChooser_;
  std::unique_ptr<EventLog> ownLog_;
  std::unique_ptr<EncounterLocks> locks_;
  std::unique_ptr<DocumentStorer> storer_;
  std::unique_ptr<UploadProcess> ownUploader_;
  SystemClock systemClock_;
  IndexingDefaults defaults_;
  QString nameExtensionOnEntry_;
  QLabel* panels_[4] = {};
  QList<QAction*> pageKeys_;           // View commands whose keys act inside the page view
  QHash<QString, QString> viewTools_;  // View command -> the tool whose state it follows
  std::optional<Documents> indexed_;
  PrintState printState_;  // the print choices of the run
  frmThumbnail* navigator_ = nullptr;  // made when first shown
  SheetReader* sheetReader_ = nullptr;
  PageReader* pageReader_ = nullptr;  // null without a recogniser
  PageProposal pageProposal_;          // of the shown page once read (file empty before)
  QString readingFailure_;             // why the shown file's pages cannot be read
  QString readingStartedFile_;         // the file and page the reading was last started for
  int readingStartedPage_ = -1;
  BatchProposals proposals_;
  int shownProposal_ = -1;  // the proposal whose pages and fields are shown (0-based); -1 when none
  QString readingFile_;     // the file read (or being read) for its sheets, and its size and time then
  FileStamp readingStamp_;
  QString proposalsFailure_;  // why failedFile_ could not be read for its sheets
  QString failedFile_;
  bool storedPreview_ = false;  // the view shows a stored document's copy for the reconciliation window
  QString currentFile_;  // name of the file chosen in the files tree
  // The patient whose document the per-document fields last described (a document created or
  // shown); empty once the user has typed into them.
  QString fieldsPatient_;
  QTreeWidgetItem* shownBySelection_ = nullptr;
  bool exitConfirmed_ = false;
  bool unloaded_ = false;
};

}  // namespace pyxa
