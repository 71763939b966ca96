#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include "platform/InstanceGuard.h"

namespace pyxa {
namespace {

TEST(InstanceGuard, SecondGuardFailsWhileTheFirstLivesAndSucceedsAfter) {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("run/"));  // created on demand
  {
    InstanceGuard first(folder, QStringLiteral("Pyxadesk"));
    ASSERT_TRUE(first.TryAcquire());
    EXPECT_TRUE(first.TryAcquire());  // holding it already
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("Pyxadesk.lock")));
    InstanceGuard second(folder, QStringLiteral("Pyxadesk"));
    EXPECT_FALSE(second.TryAcquire());
    EXPECT_FALSE(second.IsHeld());
    InstanceGuard other(folder, QStringLiteral("UploadDocuments"));  // another name is another lock
    EXPECT_TRUE(other.TryAcquire());

    // A lock held for hours is still held: its age alone never makes it stale.
    QFile lock(first.LockPath());
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3 * 3600), QFileDevice::FileModificationTime));
    lock.close();
    EXPECT_FALSE(second.TryAcquire());
  }
  EXPECT_FALSE(QFile::exists(folder + QStringLiteral("Pyxadesk.lock")));
  InstanceGuard later(folder, QStringLiteral("Pyxadesk"));
  EXPECT_TRUE(later.TryAcquire());
}

TEST(InstanceGuard, TakesOverTheLockOfAProcessThatDied) {
  QTemporaryDir dir;
  QByteArray contents;
  {
    InstanceGuard live(dir.path(), QStringLiteral("Pyxadesk"));
    ASSERT_TRUE(live.TryAcquire());
    QFile lock(live.LockPath());
    ASSERT_TRUE(lock.open(QIODevice::ReadOnly));
    contents = lock.readAll();
  }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(0);
  ASSERT_EQ(waitpid(child, nullptr, 0), child);
  // The lock file the dead process left behind: its process id, then our own details.
  const QString path = dir.filePath(QStringLiteral("Pyxadesk.lock"));
  QFile stale(path);
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.write(QByteArray::number(child) + contents.mid(contents.indexOf('\n')));
  stale.close();

  InstanceGuard next(dir.path(), QStringLiteral("Pyxadesk"));
  EXPECT_TRUE(next.TryAcquire());
}

TEST(InstanceGuard, LockOfAnotherLiveProcessHoldsUntilThatProcessEnds) {
  const QString flock = QStandardPaths::findExecutable(QStringLiteral("flock"));
  if (flock.isEmpty()) GTEST_SKIP() << "flock(1) is not installed";
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("Pyxadesk.lock"));
  // Another process takes the lock as QLockFile does: an flock on the file and its details in it.
  QProcess holder;
  holder.start(QStringLiteral("/bin/sh"),
               {QStringLiteral("-c"),
                QStringLiteral("exec 9>\"$1\"; \"$2\" -x 9; printf '%s\\nsh\\n%s\\n' $$ \"$3\" >&9; exec sleep 30"),
                QStringLiteral("sh"), path, flock, QSysInfo::machineHostName()});
  ASSERT_TRUE(holder.waitForStarted());
  for (int i = 0; i < 500 && QFileInfo(path).size() == 0; ++i) QThread::msleep(10);
  ASSERT_GT(QFileInfo(path).size(), 0);

  InstanceGuard guard(dir.path(), QStringLiteral("Pyxadesk"));
  EXPECT_FALSE(guard.TryAcquire());
  holder.kill();
  ASSERT_TRUE(holder.waitForFinished());
  EXPECT_TRUE(guard.TryAcquire());
}

TEST(InstanceGuard, FolderThatCannotHoldALockRefuses) {
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("plain")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  InstanceGuard guard(dir.filePath(QStringLiteral("plain")), QStringLiteral("Pyxadesk"));
  EXPECT_FALSE(guard.TryAcquire());
}

}  // namespace
}  // namespace pyxa
