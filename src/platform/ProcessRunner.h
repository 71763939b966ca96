// Starting outside programs: run one and wait for its end, start one without waiting.
#pragma once

#include <QString>
#include <QStringList>

namespace pyxa {

class ProcessRunner {
 public:
  static constexpr int kFailedToStart = -1;

  virtual ~ProcessRunner() = default;

  // Runs the program with the arguments and waits without time limit until it has ended.
  // Returns its exit code, or kFailedToStart when it could not be started or crashed.
  virtual int RunAndWait(const QString& program, const QStringList& arguments) = 0;
};

}  // namespace pyxa
