#include "print/PrintRoutine.h"

#include "print/PagePlacement.h"
#include "print/PaperSizes.h"

#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QStringList>
#include <QTemporaryFile>

#include <algorithm>

namespace pyxa {

namespace {

PrintOutcome Failure(int code, const QString& detail) {
  PrintOutcome outcome;
  outcome.code = code;
  outcome.detail = detail;
  return outcome;
}

bool Named(const JobOptions& options, const QString& name) {
  return std::any_of(options.begin(), options.end(), [&](const JobOption& option) { return option.name == name; });
}

// The options the job is handed over with: the stored driver settings, then the window's choices
// over them.
JobOptions JobOptionsFor(const PrintRequest& request, const PrinterCapabilities& capabilities,
                         const PaperSize& paper) {
  JobOptions options;
  const JobOptions stored = DecodeJobOptions(request.storedSettings);
  for (const JobOption& option : stored) SetJobOption(options, option.name, option.value);
  if (!paper.option.name.isEmpty()) SetJobOption(options, paper.option.name, paper.option.value);
  for (const PaperSource& source : capabilities.paperSources) {
    if (source.bin == request.paperSource && !source.option.name.isEmpty()) {
      SetJobOption(options, source.option.name, source.option.value);
      break;
    }
  }
  if (request.duplexMode >= kDuplexNone && request.duplexMode <= kDuplexShortEdge) {
    const JobOption& duplex = capabilities.duplexOptions[size_t(request.duplexMode - 1)];
    if (!duplex.name.isEmpty()) SetJobOption(options, duplex.name, duplex.value);
  }
  SetJobOption(options, QStringLiteral("copies"), QString::number(request.copies));
  // A colour driver would print grey pages with colour toner; the user's own colour setting wins.
  const bool greyPages = request.colourKind == kColourBlackWhite || request.colourKind == kColourGrey;
  if (greyPages && !Named(stored, QStringLiteral("ColorModel")) && !Named(stored, QStringLiteral("print-color-mode")))
    SetJobOption(options, QStringLiteral("print-color-mode"), QStringLiteral("monochrome"));
  return options;
}

// A black-and-white page goes into the PDF at one bit a pixel. Qt's PDF writer keeps it so only
// when 0 is black and 1 white (any other table makes it an 8-bit JPEG, larger and blurred).
QImage Bilevel(QImage image) {
  if (image.format() != QImage::Format_Mono) image = image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
  if (image.colorCount() == 2 && qGray(image.color(0)) > qGray(image.color(1))) image.invertPixels();
  image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  return image;
}

void DrawPage(QPainter& painter, const QImage& image, const PagePlacement& placement) {
  const QRect& to = placement.destination;
  painter.save();
  if (placement.quarterTurn) {
    // Clockwise: the image's top-left corner goes to the destination's top-right.
    painter.translate(to.x() + to.width(), to.y());
    painter.rotate(90);
    painter.drawImage(QRect(0, 0, to.height(), to.width()), image, placement.source);
  } else {
    painter.drawImage(to, image, placement.source);
  }
  painter.restore();
}

// Draws the pages in order into a PDF on the device, one page image held at a time.
PrintOutcome DrawPages(QIODevice& device, const PrintRequest& request, const std::vector<int>& sequence,
                       const PaperSize& paper, int resolution, PrintPageSource& source,
                       const PrintRoutine::Progress& progress) {
  QPdfWriter writer(&device);
  writer.setCreator(QStringLiteral("Pyxadesk"));
  writer.setTitle(request.title);
  writer.setResolution(resolution);
  const QPageLayout layout(QPageSize(paper.sizeMm, QPageSize::Millimeter), QPageLayout::Portrait, paper.marginsMm,
                           QPageLayout::Millimeter);
  if (!layout.isValid() || !writer.setPageLayout(layout))
    return Failure(2045, QStringLiteral("The paper size %1 cannot be printed on.").arg(paper.name.trimmed()));
  const QSize printable = layout.paintRectPixels(resolution).size();
  QPainter painter;
  if (!painter.begin(&writer)) return Failure(2011, QStringLiteral("The print file could not be started."));
  PrintOutcome outcome;
  const int total = static_cast<int>(sequence.size());
  for (int done = 0; done < total; ++done) {
    const int number = sequence[size_t(done)];
    PrintPage page = source.Page(number, resolution);
    if (page.code != 0 || page.image.isNull()) {
      painter.end();
      outcome.code = page.code != 0 ? page.code : 2069;
      outcome.detail = QStringLiteral("Page %1: ").arg(number) +
                       (page.description.isEmpty() ? QStringLiteral("Viewer failed to display a page from the file.")
                                                   : page.description);
      return outcome;
    }
    if (source.ColourKind(number) == kColourBlackWhite || page.image.depth() == 1) page.image = Bilevel(page.image);
    PagePlacementInput input;
    input.imagePixels = page.image.size();
    input.imageDpiX = page.dpiX;
    input.imageDpiY = page.dpiY;
    input.printablePixels = printable;
    input.deviceDpi = resolution;
    input.mode = request.mode;
    input.scalePercent = request.mode == kPrintScaled ? request.scalePercent : 100;
    if (done > 0) writer.newPage();
    const PagePlacement placement = PlacePage(input);
    if (!placement.destination.isEmpty()) DrawPage(painter, page.image, placement);
    page = {};
    outcome.pagesDrawn = done + 1;
    if (progress && !progress(done + 1, total)) {
      painter.end();
      outcome.cancelled = true;
      return outcome;
    }
  }
  if (!painter.end()) return Failure(2011, QStringLiteral("The print file could not be finished."));
  return outcome;
}

PrintOutcome WritePdfFile(const PrintRequest& request, const PaperSize& paper, int resolution,
                          PrintPageSource& source, const PrintRoutine::Progress& progress) {
  // Collated sets: the whole list once per copy.
  std::vector<int> sequence;
  for (int copy = 0; copy < request.copies; ++copy)
    sequence.insert(sequence.end(), request.pages.begin(), request.pages.end());
  QSaveFile target(request.pdfTarget);
  if (request.pdfTarget.isEmpty() || !target.open(QIODevice::WriteOnly))
    return Failure(2011, QStringLiteral("Cannot write %1: %2").arg(request.pdfTarget, target.errorString()));
  PrintOutcome outcome = DrawPages(target, request, sequence, paper, resolution, source, progress);
  if (!outcome.Ok()) {
    target.cancelWriting();  // the file that was there stays whole
    return outcome;
  }
  if (!target.commit())
    return Failure(2011, QStringLiteral("Cannot write %1: %2").arg(request.pdfTarget, target.errorString()));
  return outcome;
}

}  // namespace

PrinterCapabilities PdfFileCapabilities() {
  PrinterCapabilities capabilities;
  // Every known sheet upright; the landscape Ledger is the 11 x 17 in. sheet already offered.
  for (const KnownPaper& known : KnownPapers())
    if (known.widthMm <= known.heightMm)
      capabilities.paperSizes.push_back({known.code, QString::fromLatin1(known.name), {},
                                         QSizeF(known.widthMm, known.heightMm), QMarginsF()});
  capabilities.resolution = 300;
  return capabilities;
}

QByteArray EncodeJobOptions(const JobOptions& options) {
  QStringList lines;
  for (const JobOption& option : options) {
    // A name with "=" or either part with a line break would not read back as it was written.
    if (option.name.isEmpty() || option.name.contains(QLatin1Char('=')) || option.name.contains(QLatin1Char('\n')) ||
        option.value.contains(QLatin1Char('\n')) || option.name.contains(QLatin1Char('\r')) ||
        option.value.contains(QLatin1Char('\r')))
      continue;
    lines.append(option.name + QLatin1Char('=') + option.value);
  }
  return lines.join(QLatin1Char('\n')).toUtf8();
}

JobOptions DecodeJobOptions(const QByteArray& bytes) {
  JobOptions options;
  for (const QString& line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
    QString text = line;
    if (text.endsWith(QLatin1Char('\r'))) text.chop(1);
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals <= 0) continue;
    options.push_back({text.left(equals), text.mid(equals + 1)});
  }
  return options;
}

void SetJobOption(JobOptions& options, const QString& name, const QString& value) {
  for (JobOption& option : options) {
    if (option.name == name) {
      option.value = value;
      return;
    }
  }
  options.push_back({name, value});
}

PrintOutcome PrintRoutine::Print(const PrintRequest& request, PrintPageSource& pages, const Progress& progress) {
  if (request.mode < kPrintRealSize || request.mode > kPrintAutoOrientation)
    return Failure(2038, QStringLiteral("Illegal print type."));
  if (request.mode == kPrintScaled && (request.scalePercent < 1 || request.scalePercent > 6400))
    return Failure(2049, QStringLiteral("The scale %1% is outside 1% to 6400%.").arg(request.scalePercent));
  if (request.copies < 1)
    return Failure(2045, QStringLiteral("The number of copies must be at least 1, not %1.").arg(request.copies));
  if (request.pages.empty()) return Failure(2008, QStringLiteral("No page to print."));
  const int pageCount = pages.PageCount();
  for (int page : request.pages)
    if (page < 1 || page > pageCount)
      return Failure(2008, QStringLiteral("Page %1 is not among the %2 pages of the document.").arg(page).arg(pageCount));

  const bool toFile = request.printer == kPrintToPdfName;
  PrinterCapabilities capabilities;
  if (toFile)
    capabilities = PdfFileCapabilities();
  else if (!port_.Capabilities(request.printer, &capabilities))
    return Failure(2059, QStringLiteral("The printer \"%1\" could not be found or read.").arg(request.printer));
  PaperSize paper{1, QStringLiteral("Letter, 8 1/2 x 11 in. "), {}, QSizeF(215.9, 279.4), QMarginsF()};
  if (!capabilities.paperSizes.empty()) {
    paper = capabilities.paperSizes.front();
    for (const PaperSize& size : capabilities.paperSizes)
      if (size.code == request.paperSize) {
        paper = size;
        break;
      }
  }
  const int resolution = capabilities.resolution > 0 ? capabilities.resolution : 300;
  if (toFile) return WritePdfFile(request, paper, resolution, pages, progress);

  const QString folder = request.workFolder.isEmpty() ? QDir::tempPath() : request.workFolder;
  // Made readable by the user only (QTemporaryFile's 0600), and removed with the object.
  QTemporaryFile file(QDir(folder).filePath(QStringLiteral("pyxa-print-XXXXXX.pdf")));
  if (!file.open())
    return Failure(2006, QStringLiteral("Cannot make the print file in %1: %2").arg(folder, file.errorString()));
  PrintOutcome outcome = DrawPages(file, request, request.pages, paper, resolution, pages, progress);
  if (!outcome.Ok()) return outcome;
  if (!file.flush() || file.error() != QFileDevice::NoError)
    return Failure(2011, QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
  file.close();
  const QString title = request.title.isEmpty() ? QStringLiteral("Pyxadesk") : request.title;
  const SubmitResult submitted =
      port_.SubmitPdf(request.printer, file.fileName(), title, JobOptionsFor(request, capabilities, paper));
  if (!submitted.ok) {
    const std::vector<QString> printers = port_.PrinterNames();
    const bool gone = std::find(printers.begin(), printers.end(), request.printer) == printers.end();
    return Failure(gone ? 2059 : 2011, submitted.error);
  }
  return outcome;
}

}  // namespace pyxa
