// The main window's Print command: the print window over the file the page view shows.
#include "mainwindow/ui/frmMain.h"

#include "coversheets/CoverSheetPages.h"
#include "coversheets/PatientSheet.h"
#include "coversheets/ui/frmCoverSheetList.h"
#include "mainwindow/PathText.h"
#include "mainwindow/ui/DocumentFrame.h"
#include "mainwindow/ui/SearchFrame.h"
#include "print/ImagePageSource.h"
#include "print/PdfPageSource.h"
#include "print/ui/frmPrintIm.h"

#include <QComboBox>
#include <memory>

namespace pyxa {

PrintServices frmMain::Printing() {
  return {printState_, *services_.printers, services_.prompter, *services_.saveFiles, services_.printFolder};
}

void frmMain::PrintShownFile(QWidget* parent, const QString& title) {
  if (!services_.printers || !services_.saveFiles || Viewer().CurrentFileName().isEmpty()) return;
  try {
    std::unique_ptr<PrintPageSource> pages;
    if (ImageDocument* image = Viewer().ShownImage()) {
      pages = std::make_unique<ImagePageSource>(*image);
    } else if (Viewer().ShowsPdf()) {
      pages = std::make_unique<PdfPageSource>(Viewer().CurrentFileName());
    }
    if (!pages || pages->PageCount() < 1) {
      services_.prompter.Information(QStringLiteral("The file '%1' has no page to print.")
                                         .arg(NameFromFullPath(Viewer().CurrentFileName())));
      return;
    }
    printState_.pageCount = pages->PageCount();
    printState_.currentPage = Viewer().CurrentPage();
    ShowPrintDialog(Printing(), *pages, title.isEmpty() ? NameFromFullPath(Viewer().CurrentFileName()) : title,
                    parent ? parent : this);
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::PrintCoverSheet() {
  const ChosenPatient patient = Patient();
  if (!services_.printers || !services_.saveFiles || patient.patientId.isEmpty()) return;
  try {
    const DocumentFrame& d = *document_;
    // Only what is chosen goes on the sheet (a category's identifier may be 0).
    const auto chosen = [this](const QComboBox* box) {
      return box->isEnabled() && box->currentIndex() >= 0 ? SheetChoice{SelectedId(box), box->currentText()}
                                                          : SheetChoice{};
    };
    const PatientSheet sheet =
        SheetForPatient(patient, Country2(), chosen(d.cboCategory), chosen(d.cboType), chosen(d.cboPhysician));
    CoverSheetPages pages;
    pages.Add(sheet.record, sheet.text);
    printState_.pageCount = pages.PageCount();
    printState_.currentPage = 1;
    // The job's name leaves the patient out: a print queue is listed to every user of the computer.
    ShowPrintDialog(Printing(), pages, QStringLiteral("Cover sheet"), this);
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::PrintCoverSheetList() {
  if (!services_.printers || !services_.saveFiles) return;
  try {
    ShowCoverSheetList(
        {services_.session, services_.prompter, services_.login, services_.files, Printing(), Country2()}, this);
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

}  // namespace pyxa
