#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <filesystem>

#include "platform/InstanceGuard.h"

namespace pyxa {
namespace {

constexpr auto kAcquired = InstanceGuard::Result::Acquired;
constexpr auto kHeldElsewhere = InstanceGuard::Result::HeldElsewhere;
constexpr auto kFailed = InstanceGuard::Result::Failed;

TEST(InstanceGuard, SecondGuardFailsWhileTheFirstLivesAndSucceedsAfter) {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("data/Pyxadesk/"));  // created on demand, owner-only
  {
    InstanceGuard first(folder, QStringLiteral("Pyxadesk"));
    ASSERT_EQ(first.TryAcquire(), kAcquired);
    const auto shared = QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    for (const QString& level : {dir.filePath(QStringLiteral("data")), folder}) {
      EXPECT_FALSE(QFileInfo(level).permissions() & shared) << level.toStdString();
    }
    EXPECT_EQ(first.TryAcquire(), kAcquired);  // holding it already
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("Pyxadesk.lock")));
    InstanceGuard second(folder, QStringLiteral("Pyxadesk"));
    EXPECT_EQ(second.TryAcquire(), kHeldElsewhere);
    EXPECT_FALSE(second.IsHeld());
    InstanceGuard other(folder, QStringLiteral("UploadDocuments"));  // another name is another lock
    EXPECT_EQ(other.TryAcquire(), kAcquired);

    // A lock held for hours is still held: its age alone never makes it stale.
    QFile lock(first.LockPath());
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3 * 3600), QFileDevice::FileModificationTime));
    lock.close();
    EXPECT_EQ(second.TryAcquire(), kHeldElsewhere);
  }
  EXPECT_FALSE(QFile::exists(folder + QStringLiteral("Pyxadesk.lock")));
  InstanceGuard later(folder, QStringLiteral("Pyxadesk"));
  EXPECT_EQ(later.TryAcquire(), kAcquired);
}

TEST(InstanceGuard, TakesOverTheLockOfAProcessThatDied) {
  QTemporaryDir dir;
  QByteArray contents;
  {
    InstanceGuard live(dir.path(), QStringLiteral("Pyxadesk"));
    ASSERT_EQ(live.TryAcquire(), kAcquired);
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
  EXPECT_EQ(next.TryAcquire(), kAcquired);
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
  EXPECT_EQ(guard.TryAcquire(), kHeldElsewhere);
  holder.kill();
  ASSERT_TRUE(holder.waitForFinished());
  EXPECT_EQ(guard.TryAcquire(), kAcquired);
}

TEST(InstanceGuard, ALockThatCannotBeMadeIsAFailureWithItsSystemErrorNotAnotherInstance) {
  QTemporaryDir dir;
  const QString plain = dir.filePath(QStringLiteral("plain"));
  QFile file(plain);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken")));
  ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("folder/Pyxadesk.lock")));
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("linked")));
  std::filesystem::create_symlink(plain.toStdString(),
                                  dir.filePath(QStringLiteral("linked/Pyxadesk.lock")).toStdString());

  struct Case {
    const char* folder;
    bool fileSizeLimit;  // as a full disk does, the lock file takes no bytes
    int error;
  } const cases[] = {
      {"plain", false, ENOTDIR},  // the runtime folder's place is taken by a file
      {"folder", false, EISDIR},  // the lock file's place is taken by a folder
      {"linked", false, ELOOP},   // a link planted in the lock file's place is not followed
      {"taken", true, EFBIG},
  };
  for (const Case& c : cases) {
    InstanceGuard guard(dir.filePath(QString::fromLatin1(c.folder)), QStringLiteral("Pyxadesk"));
    rlimit saved{};
    if (c.fileSizeLimit) {
      std::signal(SIGXFSZ, SIG_IGN);
      ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
      rlimit none = saved;
      none.rlim_cur = 0;
      ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
    }
    const InstanceGuard::Result result = guard.TryAcquire();
    if (c.fileSizeLimit) {
      ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
      std::signal(SIGXFSZ, SIG_DFL);
    }
    EXPECT_EQ(result, kFailed) << c.folder;
    EXPECT_EQ(guard.Error().value(), c.error) << c.folder;
    EXPECT_FALSE(guard.IsHeld()) << c.folder;
  }
  // The half-made lock file is not left behind for the next start to trip over.
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("taken/Pyxadesk.lock"))));
  InstanceGuard next(dir.filePath(QStringLiteral("taken")), QStringLiteral("Pyxadesk"));
  EXPECT_EQ(next.TryAcquire(), kAcquired);
  EXPECT_FALSE(next.Error());
}

}  // namespace
}  // namespace pyxa
