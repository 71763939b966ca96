#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include "platform/AppPaths.h"

namespace pyxa {
namespace {

AppPaths::EnvironmentLookup Env(std::initializer_list<std::pair<const char*, const char*>> pairs) {
  QHash<QString, QString> values;
  for (const auto& [name, value] : pairs) values.insert(QString::fromLatin1(name), QString::fromLatin1(value));
  return [values](const QString& name) { return values.value(name); };
}

TEST(AppPaths, InstalledLayoutFollowsXdgFolders) {
  QTemporaryDir exe;
  const AppPaths paths(exe.path(), Env({{"HOME", "/home/ana"},
                                        {"XDG_CONFIG_HOME", "/cfg/"},
                                        {"XDG_DATA_HOME", "/data//x"},
                                        {"XDG_RUNTIME_DIR", "/run/user/1000"}}));
  EXPECT_FALSE(paths.IsPortable());
  EXPECT_EQ(paths.ProgramFolder(), exe.path() + QStringLiteral("/"));
  EXPECT_EQ(paths.MachineHive(), QStringLiteral("/etc/xdg/Corvantis/Pyxadesk.conf"));
  EXPECT_EQ(paths.UserHive(), QStringLiteral("/cfg/Corvantis/Pyxadesk.conf"));
  EXPECT_EQ(paths.DataFolder(), QStringLiteral("/data/x/Pyxadesk/"));
  EXPECT_EQ(paths.RuntimeFolder(), QStringLiteral("/run/user/1000/"));
  EXPECT_EQ(paths.ScenarioFolder(), QStringLiteral("/cfg/Corvantis/"));
}

TEST(AppPaths, UnsetEmptyOrRelativeXdgVariablesFallBackToHome) {
  QTemporaryDir exe;
  const AppPaths paths(exe.path(),
                       Env({{"HOME", "/home/ana/"}, {"XDG_CONFIG_HOME", ""}, {"XDG_DATA_HOME", "relative/share"}}));
  EXPECT_EQ(paths.UserHive(), QStringLiteral("/home/ana/.config/Corvantis/Pyxadesk.conf"));
  EXPECT_EQ(paths.DataFolder(), QStringLiteral("/home/ana/.local/share/Pyxadesk/"));
  EXPECT_EQ(paths.RuntimeFolder(), paths.DataFolder());

  const AppPaths homeless(exe.path(), Env({}));  // the account's home folder instead
  EXPECT_TRUE(homeless.UserHive().startsWith(QLatin1Char('/')));
  EXPECT_TRUE(homeless.UserHive().endsWith(QStringLiteral("/.config/Corvantis/Pyxadesk.conf")));
}

TEST(AppPaths, TheMachineHiveIsInTheFirstConfigurationFolderThatHoldsOne) {
  QTemporaryDir exe, root;
  const QString a = root.filePath(QStringLiteral("a")), b = root.filePath(QStringLiteral("b/"));
  ASSERT_TRUE(QDir().mkpath(b + QStringLiteral("Corvantis")));
  ASSERT_TRUE(QFile(b + QStringLiteral("Corvantis/Pyxadesk.conf")).open(QIODevice::WriteOnly));
  const QByteArray listed = ("relative:" + a + ":" + b + ":/etc/xdg").toLocal8Bit();
  struct Case {
    const char* dirs;
    QString expected;
  };
  const Case cases[] = {
      {listed.constData(), b + QStringLiteral("Corvantis/Pyxadesk.conf")},
      // None holds one: /etc/xdg when listed (a desktop may list its own folder first), else the first.
      {"/nonexistent/xdg-desktop:/etc/xdg/", QStringLiteral("/etc/xdg/Corvantis/Pyxadesk.conf")},
      {"/nonexistent/elsewhere", QStringLiteral("/nonexistent/elsewhere/Corvantis/Pyxadesk.conf")},
      {"", QStringLiteral("/etc/xdg/Corvantis/Pyxadesk.conf")},
      {"relative/only", QStringLiteral("/etc/xdg/Corvantis/Pyxadesk.conf")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dirs);
    const AppPaths paths(exe.path(), Env({{"HOME", "/home/ana"}, {"XDG_CONFIG_DIRS", c.dirs}}));
    EXPECT_EQ(paths.MachineHive(), c.expected);
  }
}

TEST(AppPaths, PortableMarkerKeepsEverythingBesideTheProgram) {
  QTemporaryDir exe;
  ASSERT_TRUE(QFile(exe.filePath(QStringLiteral("pyxadesk.portable"))).open(QIODevice::WriteOnly));
  const QString folder = exe.path() + QStringLiteral("/");
  const AppPaths paths(folder, Env({{"HOME", "/home/ana"}}));
  EXPECT_TRUE(paths.IsPortable());
  EXPECT_EQ(paths.ProgramFolder(), folder);
  EXPECT_EQ(paths.MachineHive(), folder + QStringLiteral("Pyxadesk-machine.conf"));
  EXPECT_EQ(paths.UserHive(), folder + QStringLiteral("Pyxadesk-user.conf"));
  EXPECT_EQ(paths.DataFolder(), folder);
  EXPECT_EQ(paths.RuntimeFolder(), folder);
  EXPECT_EQ(paths.ScenarioFolder(), folder);

  const AppPaths withRuntime(folder, Env({{"XDG_RUNTIME_DIR", "/run/user/7"}}));
  EXPECT_EQ(withRuntime.RuntimeFolder(), QStringLiteral("/run/user/7/"));
}

TEST(AppPaths, RunningExecutableFolderEndsWithSlash) {
  EXPECT_EQ(AppPaths::RunningExecutableFolder(), QCoreApplication::applicationDirPath() + QStringLiteral("/"));
}

}  // namespace
}  // namespace pyxa
