// The main window's Tools > Options: the configuration window, and what it asks of the main window.
#include "mainwindow/ui/BatchScanning.h"
#include "mainwindow/ui/PageView.h"
#include "mainwindow/ui/frmMain.h"
#include "shell/ui/frmPrefs.h"

namespace pyxa {

void frmMain::mnuToolsOptions_Click() {
  if (!services_.makeService) return;
  try {
    const qint32 ownTimeout = services_.session.Integration() ? services_.session.Integration()->Timeout() : 60;
    frmPrefs prefs(services_.settings, ownTimeout, services_.makeService, services_.prompter, *this,
                   counts_.StorePath(), this);
    prefs.exec();
    if (prefs.Tag() != QStringLiteral("OK")) return;
    services_.settings.Kofax = prefs.Kofax();
    services_.settings.WebServiceURL = prefs.Url();
    services_.settings.WebServiceTimeout = prefs.Timeout();
    // Saying Yes to the insecure address in the URL test accepts it for the logins to come.
    if (!prefs.AcceptedInsecureUrl().isEmpty() && prefs.AcceptedInsecureUrl() == prefs.Url()) {
      services_.settings.WebServiceInsecureURL = prefs.Url();
    }
    QString error;
    if (services_.store.SaveSettings(services_.settings, error) == 0) error = services_.store.UnsavedMachineSettings(services_.settings);
    if (error.isEmpty()) {
      services_.prompter.Information(QStringLiteral("Preferences updated."));
    } else {
      services_.prompter.Information(QStringLiteral("Failed to update preferences.\n") + error);
    }
    ScannerKindChanged();
    FollowPageReading();  // reading turned on or off applies to the page shown now
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::ScannerKindChanged() {
  if (services_.settings.Kofax && services_.productionScanning) {
    services_.productionScanning->Prepare([this](const QString& panel, const QString& text) {
      SetPanel(panel == QStringLiteral("Scanner") ? 4 : 3, text);
    });
  } else {
    SetPanel(4, QString());  // the production kind's source is not the one in use any more
  }
  ApplyState();
}

void frmMain::SelectScanner() {
  if (BatchScanning* kind = ChosenScanning()) kind->SelectSource(this);
}

void frmMain::EditScenario() {
  if (BatchScanning* kind = ChosenScanning(); kind && kind->HasScenarios()) kind->EditScenarios(this);
}

// Emptying Available Files must not take pages that indexed documents still hold, nor drop the shown
// file's unsaved edits.
bool frmMain::ReleaseShownFile() {
  if (indexed_) {
    for (int i = 1; i <= indexed_->Count(); ++i) {
      if (!IsStored(indexed_->Item(i))) {
        services_.prompter.Critical(QStringLiteral("Indexed documents still take pages from files in Available "
                                                   "Files. Store or remove them before cleaning the folder."));
        return false;
      }
    }
  }
  if (AskToKeepPageChanges() != PageEditsOutcome::Settled) return false;
  cmdFile_Click();
  Viewer().DisplayFile(QString());
  currentFile_.clear();
  ShowStatusFile();
  ApplyState();
  return true;
}

void frmMain::RefreshFiles() { cmdFile_Click(); }

int frmMain::StoredDocuments() {
  const QueueState queue = counts_.ReadQueue();
  int unqueued = 0;
  if (indexed_) {
    for (int i = 1; i <= indexed_->Count(); ++i) unqueued += IsStored(indexed_->Item(i)) ? 1 : 0;
  }
  // A store that cannot be read is kept: what it holds is not known.
  return queue.known ? int(queue.awaiting) + unqueued : 1;
}

}  // namespace pyxa
