// What the configuration window asks of the main window: the scanner kind's preparation and its
// source and scenario windows, and the shown file and files listing around emptying Available Files.
#pragma once

namespace pyxa {

class PreferencesHost {
 public:
  virtual ~PreferencesHost() = default;
  // The scanner kind in the settings changed (in memory): the main window follows it at once.
  virtual void ScannerKindChanged() = 0;
  // The production kind's source selection and page scenario windows (the latter asks for a source
  // first when none is chosen).
  virtual void SelectScanner() = 0;
  virtual void EditScenario() = 0;
  // Before Available Files is emptied no file of it may stay shown; false when the user kept the shown
  // file's unsaved edits (nothing is emptied then).
  virtual bool ReleaseShownFile() = 0;
  virtual void RefreshFiles() = 0;
  // Stored documents that have not reached the clinic (awaiting upload or not yet queued).
  virtual int StoredDocuments() = 0;
};

}  // namespace pyxa
