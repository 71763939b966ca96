// The main window's Print command: the print window over the file the page view shows.
#include "mainwindow/ui/frmMain.h"

#include "mainwindow/PathText.h"
#include "print/ImagePageSource.h"
#include "print/PdfPageSource.h"
#include "print/ui/frmPrintIm.h"

#include <memory>

namespace pyxa {

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
    ShowPrintDialog({printState_, *services_.printers, services_.prompter, *services_.saveFiles, services_.printFolder},
                    *pages, title.isEmpty() ? NameFromFullPath(Viewer().CurrentFileName()) : title,
                    parent ? parent : this);
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

}  // namespace pyxa
