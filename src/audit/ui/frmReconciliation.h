// The Reconciliation window: finds stored documents by the dates of their audit rows and by words
// of their name, type or page text, previews the chosen one in the main window's page view, deletes
// it, or puts its file back into Available Files for indexing anew. The rules live in
// Reconciliation; this window asks and shows.
#pragma once

#include "audit/Reconciliation.h"
#include "audit/ReconciliationSearch.h"
#include "audit/ui/ReconciliationHost.h"
#include "platform/SaveFilePicker.h"
#include "components/DocumentDatabase.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/ui/ShellOpen.h"
#include "shell/AppSettings.h"

#include <QDialog>
#include <QStringList>
#include <QVector>
#include <exception>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace pyxa {

class Session;

struct ReconciliationServices {
  const AppSettings& settings;
  Session& session;
  DatabaseFactory& databases;
  Prompter& prompter;
  SaveFilePicker& savePicker;
  ShellOpener& opener;  // opens a Word document's copy with the desktop's program
  const Clock& clock;
  ReconciliationHost& host;
  QString previewFolder;  // DefaultPreviewFolder() when empty
};

// The filter of the re-index save dialog.
inline const QString kReindexFilter = QStringLiteral(
    "All Files (*.*);;Scanned documents (*.tif);;Image files (*.jpg);;PDF document (*.pdf);;Word Documents (*.doc)");
inline const QString kNameTaken = QStringLiteral("The file with this name already exists. Please choose another name.");

class frmReconciliation final : public QDialog {
  Q_OBJECT

 public:
  // Everything in services must outlive the window. Opening asks the user's country, sets both
  // dates to today and searches.
  explicit frmReconciliation(ReconciliationServices services, QWidget* parent = nullptr);
  ~frmReconciliation() override;

  void done(int result) override;

 private:
  void Load();
  void Search();
  void SelectionChanged();
  void OpenSelected();
  void PrintSelected();
  // Whether a stored document of the extension is previewed in the page view.
  static bool IsPreviewed(const QString& extension);
  void DeleteSelected();
  void ReindexSelected();
  void UpdateButtons();
  // Empties the page view and removes the copy it showed.
  void DropPreview();
  void RemoveAllCopies();
  QString AskForName();
  const ReconciliationEntry* Selected() const;
  void ShowError(const std::exception& error);
  void AfterRemoval(const ReconciliationEntry& entry);

  ReconciliationServices services_;
  QString storePath_;
  QString previewFolder_;
  Reconciliation reconciliation_;
  bool countryDates_ = false;
  QVector<ReconciliationEntry> entries_;
  QString previewPath_;   // the copy the page view shows
  QStringList openedCopies_;  // copies handed to the desktop's programs, removed on close
  bool closed_ = false;

  QDateEdit* from_ = nullptr;
  QDateEdit* to_ = nullptr;
  QLineEdit* words_ = nullptr;
  QTreeWidget* results_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* search_ = nullptr;
  QPushButton* reindex_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* print_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace pyxa
