#include "platform/QtProcessRunner.h"

#include <QProcess>

namespace pyxa {

int QtProcessRunner::RunAndWait(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setProgram(program);
  process.setArguments(arguments);
  // Forwarded output cannot fill a pipe nobody reads; no input, so a program asking for some
  // ends instead of waiting for ever.
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  process.setStandardInputFile(QProcess::nullDevice());
  process.start();
  if (!process.waitForStarted(-1)) return kFailedToStart;
  process.waitForFinished(-1);
  if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit) {
    return kFailedToStart;
  }
  return process.exitCode();
}

}  // namespace pyxa
