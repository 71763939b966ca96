#include <gtest/gtest.h>

#include "platform/QtProcessRunner.h"

namespace pyxa {
namespace {

const QString kShell = QStringLiteral("/bin/sh");

int Shell(const QString& script, const QStringList& more = {}) {
  QtProcessRunner runner;
  return runner.RunAndWait(kShell, QStringList{QStringLiteral("-c"), script, QStringLiteral("sh")} + more);
}

// The program's exit code once it ended; a program that cannot start or is killed fails to start;
// arguments with spaces, quotes and shell characters reach the program as one argument each; and a
// program reading its input sees its end instead of waiting.
TEST(QtProcessRunner, ReturnsTheExitCodeOfTheEndedProgramOrFailedToStart) {
  EXPECT_EQ(Shell(QStringLiteral("exit 0")), 0);
  EXPECT_EQ(Shell(QStringLiteral("sleep 0.2; exit 3")), 3);
  EXPECT_EQ(Shell(QStringLiteral("exit 255")), 255);
  EXPECT_EQ(QtProcessRunner().RunAndWait(QStringLiteral("/nonexistent/UploadDocuments"), {}),
            ProcessRunner::kFailedToStart);
  EXPECT_EQ(Shell(QStringLiteral("kill -KILL $$")), ProcessRunner::kFailedToStart);
  EXPECT_EQ(Shell(QStringLiteral("[ \"$1\" = 'C:/Program Files/x.msi' ] && [ \"$2\" = '\"q\" $HOME;|' ] && [ $# = 2 ]"),
                  {QStringLiteral("C:/Program Files/x.msi"), QStringLiteral("\"q\" $HOME;|")}),
            0);
  EXPECT_EQ(Shell(QStringLiteral("if read line; then exit 1; else exit 4; fi")), 4);
}

}  // namespace
}  // namespace pyxa
