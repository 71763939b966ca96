#include "shell/ui/ClinicWait.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>

#include "platform/ui/BusyCursor.h"

namespace pyxa {
namespace {

constexpr int kReveal = 2;
constexpr int kGiveUp = 3;

}  // namespace

bool ClinicWait::Wait(QEventLoop& loop, const std::function<bool()>& ended) {
  ++depth_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{depth_};
  BusyCursor busy;
  // First the windows only paint: a click meanwhile waits until the answer is in, as it would
  // while any other handler runs.
  QTimer reveal;
  reveal.setSingleShot(true);
  QObject::connect(&reveal, &QTimer::timeout, &loop, [&loop] { loop.exit(kReveal); });
  reveal.start(revealMs_);
  if (loop.exec(QEventLoop::ExcludeUserInputEvents) != kReveal || ended()) return true;

  busy.Release();
  QProgressDialog dialog(QStringLiteral("Waiting for the clinic's answer..."), QStringLiteral("&Give Up"), 0, 0,
                         QApplication::activeWindow());
  dialog.setObjectName(QStringLiteral("ClinicWait"));
  dialog.setWindowTitle(QStringLiteral("Pyxadesk"));
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setMinimumDuration(0);
  dialog.setMinimumWidth(360);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&loop] { loop.exit(kGiveUp); });
  dialog.show();
  const bool answered = loop.exec() != kGiveUp;
  dialog.hide();
  return answered || ended();
}

}  // namespace pyxa
