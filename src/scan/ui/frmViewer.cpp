#include "scan/ui/frmViewer.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "platform/Prompter.h"
#include "scan/ScanSession.h"
#include "scan/ScannerChoice.h"
#include "scan/ScannerSource.h"
#include "scan/ui/frmSelectScanner.h"

namespace pyxa {

frmViewer::frmViewer(ScannerSource& source, ChosenScanner& chosen, ScanSettingsAsker settings, Prompter& prompter,
                     const Clock& clock, QString availableFolder, QWidget* parent)
    : QDialog(parent),
      source_(source),
      chosen_(chosen),
      settings_(std::move(settings)),
      prompter_(prompter),
      clock_(clock),
      folder_(std::move(availableFolder)) {
  setObjectName(QStringLiteral("frmViewer"));
  setWindowTitle(QStringLiteral("Corvantis Twain"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  lblStatus_ = new QLabel(QStringLiteral("Loading..."), this);
  lblStatus_->setObjectName(QStringLiteral("lblStatus"));
  picture_ = new QLabel(this);
  picture_->setObjectName(QStringLiteral("ImageMan2"));
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setMinimumSize(340, 440);
  picture_->setFrameShape(QFrame::StyledPanel);
  picture_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("prgPage"));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(progress_, 1);
  bottom->addWidget(cmdCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblStatus_);
  layout->addWidget(picture_, 1);
  layout->addLayout(bottom);

  connect(cmdCancel_, &QPushButton::clicked, this, &frmViewer::reject);
  // The page as the scanner delivered it is shown at once; the batch count follows its append.
  connect(&source_, &ScannerSource::PageScanned, this, [this](const ScannedPage& page) {
    if (!session_ || !session_->Running() || page.image.isNull()) return;
    picture_->setPixmap(QPixmap::fromImage(
        page.image.scaled(picture_->contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  });
}

frmViewer::~frmViewer() = default;

bool frmViewer::EnsureScanner() {
  if (chosen_.Chosen()) return true;
  {
    frmSelectScanner select(source_, prompter_, this);
    if (select.Devices().isEmpty()) return false;  // the window has said there is no scanner
    select.exec();
    if (const ScannerDevice* device = select.ChosenDevice()) chosen_.Choose(*device);
  }
  if (!chosen_.Chosen()) {
    prompter_.Ask({QStringLiteral("Unable to Proceed Select Scanner"), kProductName, PromptIcon::Warning,
                   PromptButtons::Ok});
    return false;
  }
  return true;
}

QString frmViewer::Scan() {
  batchPath_.clear();
  if (!EnsureScanner()) return {};
  const ScannerDevice device = chosen_.Device();
  const std::optional<QList<OptionSetting>> settings = settings_ ? settings_(device) : QList<OptionSetting>{};
  if (!settings) return {};

  session_ = new ScanSession(source_, clock_, folder_, this);
  connect(session_, &ScanSession::PageAdded, this, &frmViewer::ShowPage);
  connect(session_, &ScanSession::PageProgress, this, [this](int page, double fraction) {
    lblStatus_->setText(QStringLiteral("Scanning page %1...").arg(page));
    if (fraction < 0) {
      progress_->setRange(0, 0);  // a page of unknown length: busy, not a number
    } else {
      progress_->setRange(0, 100);
      progress_->setValue(int(fraction * 100));
    }
  });
  connect(session_, &ScanSession::Warning, this, [this](const QString& title, const QString& text) {
    prompter_.Ask({text, title, PromptIcon::Warning, PromptButtons::Ok});
  });
  connect(session_, &ScanSession::Finished, this, [this](bool ok, const QString& message) {
    if (!message.isEmpty()) {
      if (ok) prompter_.Information(message);
      else prompter_.Critical(message);
    }
    accept();
  });
  // The batch starts once the window is up; a start still pending when the window closes (the
  // user cancelled at once) is dropped with it.
  QTimer start;
  start.setSingleShot(true);
  connect(&start, &QTimer::timeout, this, [this, device, list = *settings] {
    if (!session_->Start(device.name, list)) {
      prompter_.Critical(session_->Message());
      accept();
    }
  });
  start.start(0);
  exec();
  start.stop();
  session_->deleteLater();
  session_ = nullptr;
  return batchPath_;
}

void frmViewer::ShowPage(const QString& path, int pages) {
  batchPath_ = path;
  lblStatus_->setText(pages == 1 ? QStringLiteral("1 page scanned") : QStringLiteral("%1 pages scanned").arg(pages));
  progress_->setRange(0, 100);
  progress_->setValue(100);
  Q_EMIT BatchChanged(path, pages);
}

// Closing or Escape while the scanner works stops it; the window closes when the batch has ended.
void frmViewer::reject() {
  if (session_ && session_->Running()) {
    cmdCancel_->setEnabled(false);
    lblStatus_->setText(QStringLiteral("Stopping the scanner..."));
    session_->Cancel();
    return;
  }
  QDialog::reject();
}

void frmViewer::closeEvent(QCloseEvent* event) {
  if (session_ && session_->Running()) {
    event->ignore();
    reject();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace pyxa
