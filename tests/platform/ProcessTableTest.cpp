// The process table on /proc: this test program is found by its name in any letter case, a
// name nobody runs is not, and another computer is never asked.
#include "platform/ProcessTable.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace pyxa {
namespace {

TEST(ProcessTableTest, FindsRunningProgramsByNameOnThisComputerOnly) {
  const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  EXPECT_TRUE(IsProcessRunning(QString(), self));
  EXPECT_TRUE(IsProcessRunning(QStringLiteral("."), self.toUpper()));
  EXPECT_FALSE(IsProcessRunning(QString(), QStringLiteral("NoSuchProgramPyxa42")));
  EXPECT_FALSE(IsProcessRunning(QStringLiteral("FRONTDESK-PC"), self));
}

}  // namespace
}  // namespace pyxa
