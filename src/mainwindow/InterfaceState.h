// The main window's interface mode, the enabled state of the controls its rules switch and the
// pressed state of the fit tools. Controls are named as the window's objects, so the window
// applies the state by object name after each call; no widget lives here.
#pragma once

#include "mainwindow/ToolCommands.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <initializer_list>

namespace pyxa {

// Where the documents come from; the numbers are the flag's stored values.
enum class DocumentSource { Scanner = 0, Files = 1 };

// Which panes the window shows in a mode and how the splitters share the room. The left column
// holds the files tree over the indexed tree, the centre the page view, the right-hand pane
// (captioned "Indexing") the patient search and the document fields.
struct PaneLayout {
  bool filesTree = true;
  bool indexedTree = true;
  bool indexingPane = false;
  // Whether a shown image may be edited: the files tree heads the window's left column while
  // the user browses; in indexing the pages belong to documents and stay as they are.
  bool pageEditing = true;
  int filesStretch = 1, indexedStretch = 1;                 // left column, top to bottom
  int leftStretch = 1, centreStretch = 3, rightStretch = 0;  // left column, page view, indexing pane
};

class InterfaceState {
 public:
  // Every control the rules switch starts disabled: nothing is offered before start-up has
  // decided what the user may do. No mode yet.
  InterfaceState();

  bool Enabled(const QString& control) const;  // false for a control never named
  void SetEnabled(const QString& control, bool enabled);
  QStringList Controls() const;  // every control with a state, sorted

  // Fit tools btnFitHeight, btnFitWidth, btnFitWindow and the zoom combo btnZoom.
  bool Pressed(const QString& tool) const;
  void PressFit(FitTool fit);  // presses that one and releases the others
  void PressZoom() { PressFit(FitTool::Zoom); }
  // The fit a resize re-applies: height, width, zoom in that order of preference, else window.
  FitTool CurrentFit() const;

  // The image tools: fit and zoom tools enabled when exactly one of blnEnabled and AllowSizing
  // is true; page edits and their menus follow blnEnabled; navigation follows AllowNav.
  void ControlImageInterface(bool blnEnabled, bool AllowSizing, bool AllowNav);
  // btnIndex follows blnEnabled; then the Actions menu rule.
  void ControlDocumentInterface(bool blnEnabled);
  // mnuActions is enabled exactly when mnuActionsUpload or mnuActionsUploadNow is.
  void UpdateActionsMenu();

  // "Init", "Scan", "File" or "Indexing"; any other text changes nothing and answers false.
  bool SetInterfaceMode(const QString& mode);
  const QString& Mode() const { return mode_; }

  DocumentSource Source() const { return source_; }
  void SetSource(DocumentSource source) { source_ = source; }

  static PaneLayout Layout(const QString& mode, DocumentSource source);
  PaneLayout Layout() const { return Layout(mode_, source_); }

  // ---- The rules of each step, for the window to call in the order its handlers run. ----

  // Start-up: mode "Init" with indexing, upload and image tools off.
  void EnterInit();
  // Start-up, once the stored documents are loaded: the upload steps open for a user who may
  // upload when documents are stored (storedCount) or await upload (awaitingCount).
  void ApplyStoredDocuments(int storedCount, int awaitingCount, bool canUploadRpts);
  // cmdNew, cmdNext and cmdAppendAll go off while cmdIndex is off or no provider is listed.
  void FollowIndexButton(bool providersListed);

  // Browse (cmdFile), after any queueing it asked for: files source, viewer cleared, mode "File".
  void EnterFile(int indexedCount, bool canUploadRpts, bool providersListed);
  // The files tree's "Root" node was clicked and the viewer unloaded.
  void FilesRootChosen();

  // A file is about to be shown (nameNotEmpty) or the viewer cleared.
  void BeginDisplay(bool nameNotEmpty);
  // A file is shown: a TIF or JPG pages, fits and zooms, and may be edited when treeAtTop; a PDF
  // or DOC stands as a picture and cannot be fitted.
  void AfterFileShown(bool tifOrJpg, bool treeAtTop);
  // A file of the files tree was chosen and shown: it may be indexed.
  void FileChosen(bool tifOrJpg);
  // Paging tools for a shown document whose kind offers no other image tools (PDF pages).
  void AllowNavigation(bool allowed);

  // Scan (cmdScan) begins: scanner source, index controls off, mode "Scan".
  void EnterScan();
  // The user cancelled the append question: the index controls come back.
  void ScanCancelled();
  // A scanned batch is shown: every image tool on, and it may be indexed.
  void AfterScan();

  // Index (cmdIndex or the toolbar's "index"). With a file to index the mode becomes
  // "Indexing"; answers whether it did. indexedCount is the collection's count before.
  bool EnterIndexing(int indexedCount, bool canUploadRpts, bool fileToIndex);

 private:
  void Set(std::initializer_list<const char*> controls, bool enabled);

  QMap<QString, bool> enabled_;
  QSet<QString> pressed_;
  QString mode_;
  DocumentSource source_ = DocumentSource::Scanner;
};

}  // namespace pyxa
