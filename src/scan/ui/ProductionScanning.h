// The production scanner kind as the main window uses it: the status panels it starts with, choosing
// the source, and one batch scanned into the current document and joined into a batch file, with a
// progress window (and its Stop) while the scanner works and the failure, if any, told in the
// program's words.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace pyxa {

class cDocument;
class Prompter;
class ProductionScanner;
class ScannerSource;

class ProductionScanning {
 public:
  using Panels = std::function<void(const QString& panel, const QString& text)>;

  // scannerName is the program's remembered source (the settings' "Scanner"); it changes when the user
  // chooses another. availableFolder is the settings' Available Files folder, read at each use.
  ProductionScanning(ProductionScanner& control, ScannerSource& source, cDocument& document, QString& scannerName,
                     const QString& availableFolder, Prompter& prompter);

  // Shows the chosen source and "not reserved" in the main window's panels, which the document's
  // reservation keeps up to date from then on.
  void Prepare(const Panels& panels);
  // Lets the user choose the source; a cancelled choice keeps the one before.
  void SelectScanner(QWidget* parent);
  // Scans one batch (choosing a source first when none is chosen); the batch file, or "" when none came.
  QString ScanBatch(QWidget* parent);
  // The page scenario window for the chosen source (chosen first when there is none), reserving it first;
  // the user hears when the scenario was saved.
  void UpdateScenario(QWidget* parent);

 private:
  std::int32_t ScanImages(QWidget* parent);

  ProductionScanner& control_;
  ScannerSource& source_;
  cDocument& document_;
  QString& scannerName_;
  const QString& availableFolder_;
  Prompter& prompter_;
  Panels panels_;
  QStringList problemsTold_;
};

}  // namespace pyxa
