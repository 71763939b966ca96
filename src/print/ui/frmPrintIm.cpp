#include "print/ui/frmPrintIm.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/Prompter.h"
#include "platform/SaveFilePicker.h"
#include "platform/ui/BusyCursor.h"
#include "print/PrintPageSource.h"
#include "print/ui/frmPrinterDialog.h"
#include "shell/ErrorTexts.h"

namespace pyxa {

namespace {
template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

void Fill(QComboBox* box, const std::vector<ChoiceEntry>& entries, int selected) {
  box->clear();
  for (const ChoiceEntry& entry : entries) box->addItem(entry.text, entry.value);
  if (selected >= 0) box->setCurrentIndex(selected);
}
}  // namespace

frmPrintIm::frmPrintIm(PrintServices services, PrintPageSource& pages, const QString& title, QWidget* parent)
    : QDialog(parent), services_(services), pages_(pages), title_(title), choices_(services.state, services.port) {
  setObjectName(QStringLiteral("frmPrintIm"));
  BuildControls();
  LoadChoices();
}

void frmPrintIm::BuildControls() {
  noPrinter_ = Named(new QLabel(QStringLiteral("No printer is installed on this computer: the pages can be "
                                               "printed to a PDF file."),
                                this),
                     "lblNoPrinter");
  noPrinter_->setWordWrap(true);

  auto* job = Named(new QGroupBox(QStringLiteral("Print Job"), this), "Frame3");
  all_ = Named(new QRadioButton(QStringLiteral("&Entire Document"), job), "optPrintAll");
  current_ = Named(new QRadioButton(QStringLiteral("C&urrent Page"), job), "optPrintPage");
  range_ = Named(new QRadioButton(QStringLiteral("Page Ra&nge"), job), "optPrintRng");
  rangeText_ = Named(new QLineEdit(job), "txtRange");
  rangeText_->installEventFilter(this);
  auto* hint = Named(new QLabel(QStringLiteral("Enter page numbers and/or page ranges separated by commas. "
                                               "For example 1,3,5-12"),
                                job),
                     "Label8");
  hint->setWordWrap(true);
  copies_ = Named(new QLineEdit(QStringLiteral("1"), job), "txtCopies");
  copies_->setValidator(new QIntValidator(1, 999, copies_));
  copies_->setMaximumWidth(60);
  copies_->installEventFilter(this);
  auto* arrows = Named(new QWidget(job), "udCopies");
  copiesUp_ = Named(new QToolButton(arrows), "udCopiesUp");
  copiesUp_->setArrowType(Qt::UpArrow);
  copiesDown_ = Named(new QToolButton(arrows), "udCopiesDown");
  copiesDown_->setArrowType(Qt::DownArrow);
  for (QToolButton* arrow : {copiesUp_, copiesDown_}) {
    arrow->setFixedSize(18, 12);
    arrow->setFocusPolicy(Qt::NoFocus);  // Up and Down in the box do the same
  }
  auto* arrowLayout = new QVBoxLayout(arrows);
  arrowLayout->setContentsMargins(0, 0, 0, 0);
  arrowLayout->setSpacing(0);
  arrowLayout->addWidget(copiesUp_);
  arrowLayout->addWidget(copiesDown_);
  paperSize_ = Named(new QComboBox(job), "PrinterPaperSizeCombo");
  duplex_ = Named(new QComboBox(job), "DuplexCombo");
  paperSource_ = Named(new QComboBox(job), "PaperSourceCombo");

  auto* rangeRow = new QHBoxLayout;
  rangeRow->addWidget(range_);
  rangeRow->addWidget(rangeText_, 1);
  auto* copiesRow = new QHBoxLayout;
  copiesRow->addWidget(copies_);
  copiesRow->addWidget(arrows);
  copiesRow->addStretch();
  auto* form = new QFormLayout;
  const auto row = [&](const QString& text, QWidget* field, QLayout* fieldLayout = nullptr) {
    auto* label = new QLabel(text, job);
    label->setBuddy(field);
    if (fieldLayout)
      form->addRow(label, fieldLayout);
    else
      form->addRow(label, field);
  };
  row(QStringLiteral("Cop&ies:"), copies_, copiesRow);
  row(QStringLiteral("Printer paper si&ze:"), paperSize_);
  row(QStringLiteral("&Duplex mode:"), duplex_);
  row(QStringLiteral("Paper &source:"), paperSource_);
  auto* jobLayout = new QVBoxLayout(job);
  jobLayout->addWidget(all_);
  jobLayout->addWidget(current_);
  jobLayout->addLayout(rangeRow);
  jobLayout->addWidget(hint);
  jobLayout->addLayout(form);

  auto* type = Named(new QGroupBox(QStringLiteral("Printing Type"), this), "Frame2");
  auto_ = Named(new QRadioButton(QStringLiteral("&Automatic Page Size Orientation"), type), "AutoAdjustOption");
  fit_ = Named(new QRadioButton(QStringLiteral("&Fit To Page"), type), "Fit");
  fit_->setToolTip(QStringLiteral("Fit image to page"));
  scale_ = Named(new QRadioButton(QStringLiteral("Sca&le"), type), "ScaleButton");
  scale_->setToolTip(QStringLiteral("Print Scaled Image"));
  scaleText_ = Named(new QLineEdit(type), "MagEdBox");
  scaleText_->setValidator(new QIntValidator(1, 6400, scaleText_));
  scaleText_->setMaximumWidth(60);
  scaleLabel_ = Named(new QLabel(QStringLiteral("%"), type), "Label3");
  real_ = Named(new QRadioButton(QStringLiteral("&Real Size"), type), "Real");
  real_->setToolTip(QStringLiteral("Print Real Size Image"));
  auto* scaleRow = new QHBoxLayout;
  scaleRow->addWidget(scale_);
  scaleRow->addWidget(scaleText_);
  scaleRow->addWidget(scaleLabel_);
  scaleRow->addStretch();
  auto* typeLayout = new QVBoxLayout(type);
  typeLayout->addWidget(auto_);
  typeLayout->addWidget(fit_);
  typeLayout->addLayout(scaleRow);
  typeLayout->addWidget(real_);
  typeLayout->addStretch();

  auto* ok = Named(new QPushButton(QStringLiteral("&OK"), this), "cmdOK");
  ok->setDefault(true);
  auto* cancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "cmdCancel");
  auto* setup = Named(new QPushButton(QStringLiteral("&Printer Setup"), this), "cmdSetup");
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(setup);
  buttons->addStretch();

  auto* grid = new QGridLayout(this);
  grid->addWidget(noPrinter_, 0, 0, 1, 3);
  grid->addWidget(job, 1, 0);
  grid->addWidget(type, 1, 1);
  grid->addLayout(buttons, 1, 2);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);

  for (QRadioButton* option : {all_, current_, range_})
    connect(option, &QRadioButton::toggled, this, [this] { UpdateRangeBox(); });
  for (QRadioButton* option : {auto_, fit_, scale_, real_})
    connect(option, &QRadioButton::toggled, this, [this] { UpdateScaleBox(); });
  connect(copiesUp_, &QToolButton::clicked, this, [this] { copies_->setText(PrintChoices::CopiesUp(copies_->text())); });
  connect(copiesDown_, &QToolButton::clicked, this,
          [this] { copies_->setText(PrintChoices::CopiesDown(copies_->text())); });
  connect(ok, &QPushButton::clicked, this, [this] { Print(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(setup, &QPushButton::clicked, this, [this] { ChooseSetup(); });

  const std::vector<QWidget*> order{all_,  current_, range_, rangeText_, copies_, paperSize_, duplex_, paperSource_,
                                    auto_, fit_,     scale_, scaleText_, real_,   ok,         cancel,  setup};
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void frmPrintIm::LoadChoices() {
  choices_.ChooseStartingPrinter();
  noPrinter_->setVisible(choices_.NoPrinterInstalled());
  setWindowTitle(services_.state.printerName);
  scaleText_->setText(QStringLiteral("100"));
  switch (services_.state.printMode) {
    case kPrintRealSize: real_->setChecked(true); break;
    case kPrintScaled: scale_->setChecked(true); break;
    case kPrintFitToPage: fit_->setChecked(true); break;
    default: auto_->setChecked(true); break;
  }
  scaleText_->setText(QString::number(services_.state.scalePercent));
  UpdateScaleBox();
  all_->setChecked(true);
  UpdateRangeBox();
  FillPrinterLists();
}

void frmPrintIm::FillPrinterLists() {
  Fill(paperSize_, choices_.PaperSizes(), choices_.SelectedPaperSize());
  Fill(paperSource_, choices_.PaperSources(), choices_.SelectedPaperSource());
  Fill(duplex_, choices_.DuplexModes(), choices_.SelectedDuplexMode());
  paperSource_->setEnabled(paperSource_->count() > 0);
}

void frmPrintIm::UpdateScaleBox() {
  const bool scaled = scale_->isChecked();
  scaleText_->setEnabled(scaled);
  scaleLabel_->setEnabled(scaled);
}

void frmPrintIm::UpdateRangeBox() {
  const bool range = range_->isChecked();
  rangeText_->setEnabled(range);
  QPalette palette = rangeText_->palette();
  palette.setColor(QPalette::Base, range ? QColor(Qt::white) : QApplication::palette().color(QPalette::Window));
  rangeText_->setPalette(palette);
  if (range) rangeText_->setFocus();
}

bool frmPrintIm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (watched == rangeText_) {
    // Editing and moving keys pass; of the keys that type, only the range's own characters.
    const QString text = key->text();
    if (text.isEmpty() || key->key() == Qt::Key_Delete || (key->modifiers() & Qt::ControlModifier)) return false;
    const bool backspace = key->key() == Qt::Key_Backspace;
    return !PrintChoices::RangeKeyAccepted(text.at(0), backspace, rangeText_->text().isEmpty()) ||
           (text.size() > 1 && !backspace);
  }
  if (watched == copies_ && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
    (key->key() == Qt::Key_Up ? copiesUp_ : copiesDown_)->click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

PrintMode frmPrintIm::ChosenMode() const {
  if (real_->isChecked()) return kPrintRealSize;
  if (scale_->isChecked()) return kPrintScaled;
  if (fit_->isChecked()) return kPrintFitToPage;
  return kPrintAutoOrientation;
}

void frmPrintIm::ChooseSetup() {
  frmPrinterDialog dialog(services_.port, services_.state, this);
  dialog.exec();
  if (dialog.Tag() != QLatin1String("1")) return;
  choices_.SetPrinter(dialog.ChosenPrinter());
  setWindowTitle(services_.state.printerName);
  FillPrinterLists();
  if (const int source = choices_.StoredPaperSource(); source >= 0) paperSource_->setCurrentIndex(source);
  if (const int duplex = choices_.StoredDuplexMode(); duplex >= 0) duplex_->setCurrentIndex(duplex);
}

void frmPrintIm::Print() {
  const PageChoice choice = all_->isChecked() ? PageChoice::All : current_->isChecked() ? PageChoice::Current
                                                                                        : PageChoice::Range;
  std::vector<int> pages;
  QString error;
  if (choices_.Pages(choice, rangeText_->text(), &pages, &error) != 0) {
    services_.prompter.Critical(error);
    rangeText_->setFocus();
    rangeText_->selectAll();
    return;
  }
  const int copies = PrintChoices::Copies(copies_->text());
  if (copies == 0) {
    services_.prompter.Critical(QStringLiteral("Enter a number of copies from 1 to 999."));
    copies_->setFocus();
    copies_->selectAll();
    return;
  }
  const PrintMode mode = ChosenMode();
  const int scale = scaleText_->text().toInt();
  if (mode == kPrintScaled && (scale < 1 || scale > 6400)) {
    services_.prompter.Critical(QStringLiteral("Enter a scale from 1 to 6400 percent."));
    scaleText_->setFocus();
    scaleText_->selectAll();
    return;
  }
  const int paperSource = paperSource_->currentIndex() >= 0 ? paperSource_->currentData().toInt() : 0;
  const int duplex = duplex_->currentData().toInt();
  choices_.RememberInStoredSettings(paperSource, duplex);
  const int colourKind = pages_.ColourKind(pages.front());
  PrintRequest request = choices_.Request(mode, scale, paperSize_->currentData().toInt(), paperSource, duplex, copies,
                                          colourKind, std::move(pages));
  request.workFolder = services_.workFolder;
  request.title = title_;
  if (choices_.PrintsToPdfFile()) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString target = services_.saver.SaveFile(QStringLiteral("Print to PDF File"), folder,
                                              QStringLiteral("PDF document (*.pdf)|*.pdf"));
    if (target.isEmpty()) return;
    if (QFileInfo(target).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
      target += QStringLiteral(".pdf");
    request.pdfTarget = target;
  }

  QProgressDialog progress(QStringLiteral("Printing page 1 of %1...").arg(request.pages.size()),
                           QStringLiteral("&Cancel"), 0, static_cast<int>(request.pages.size()), this);
  progress.setObjectName(QStringLiteral("PrintProgress"));
  progress.setWindowTitle(services_.state.printerName);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(400);
  PrintOutcome outcome;
  {
    BusyCursor busy;
    PrintRoutine routine(services_.port);
    outcome = routine.Print(request, pages_, [&progress](int done, int total) {
      progress.setValue(done);
      progress.setLabelText(QStringLiteral("Printing page %1 of %2...").arg(std::min(done + 1, total)).arg(total));
      QApplication::processEvents();
      return !progress.wasCanceled();
    });
  }
  progress.reset();
  if (outcome.cancelled) return;  // nothing was printed; the window stays for another try
  if (outcome.code != 0) {
    QString text = ViewerErrorText(outcome.code);
    if (!outcome.detail.isEmpty()) text += QLatin1Char('\n') + outcome.detail;
    services_.prompter.Ask({text, kProductName, PromptIcon::Warning, PromptButtons::Ok});
    return;
  }
  accept();
}

void ShowPrintDialog(const PrintServices& services, PrintPageSource& pages, const QString& title, QWidget* parent) {
  frmPrintIm window(services, pages, title, parent);
  window.exec();
}

}  // namespace pyxa
