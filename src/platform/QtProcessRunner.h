// Runs outside programs (the support-package installer, the upload program) with QProcess.
#pragma once

#include "platform/ProcessRunner.h"

namespace pyxa {

class QtProcessRunner final : public ProcessRunner {
 public:
  // The program inherits the console output, reads no input, and is awaited without time limit.
  int RunAndWait(const QString& program, const QStringList& arguments) override;
};

}  // namespace pyxa
