#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include "platform/AppPaths.h"

namespace pyxa {
namespace {

AppPaths::EnvironmentLookup Env(QHash<QString, QString> values) {
  return [values](const QString& name) { return values.value(name); };
}

TEST(AppPaths, InstalledLayoutFollowsXdgFolders) {
  QTemporaryDir exe;
  const AppPaths paths(exe.path(), Env({{QStringLiteral("HOME"), QStringLiteral("/home/ana")},
                                        {QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/cfg/")},
                                        {QStringLiteral("XDG_DATA_HOME"), QStringLiteral("/data//x")},
                                        {QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("/run/user/1000")}}));
  EXPECT_FALSE(paths.IsPortable());
  EXPECT_EQ(paths.ProgramFolder(), exe.path() + QStringLiteral("/"));
  EXPECT_EQ(paths.MachineHive(), QStringLiteral("/etc/xdg/Corvantis/Pyxadesk.conf"));
  EXPECT_EQ(paths.UserHive(), QStringLiteral("/cfg/Corvantis/Pyxadesk.conf"));
  EXPECT_EQ(paths.DataFolder(), QStringLiteral("/data/x/Pyxadesk/"));
  EXPECT_EQ(paths.RuntimeFolder(), QStringLiteral("/run/user/1000/"));
}

TEST(AppPaths, UnsetEmptyOrRelativeXdgVariablesFallBackToHome) {
  QTemporaryDir exe;
  const AppPaths paths(exe.path(), Env({{QStringLiteral("HOME"), QStringLiteral("/home/ana/")},
                                        {QStringLiteral("XDG_CONFIG_HOME"), QString()},
                                        {QStringLiteral("XDG_DATA_HOME"), QStringLiteral("relative/share")}}));
  EXPECT_EQ(paths.UserHive(), QStringLiteral("/home/ana/.config/Corvantis/Pyxadesk.conf"));
  EXPECT_EQ(paths.DataFolder(), QStringLiteral("/home/ana/.local/share/Pyxadesk/"));
  EXPECT_EQ(paths.RuntimeFolder(), paths.DataFolder());

  const AppPaths homeless(exe.path(), Env({}));  // the account's home folder instead
  EXPECT_TRUE(homeless.UserHive().startsWith(QLatin1Char('/')));
  EXPECT_TRUE(homeless.UserHive().endsWith(QStringLiteral("/.config/Corvantis/Pyxadesk.conf")));
}

TEST(AppPaths, PortableMarkerKeepsEverythingBesideTheProgram) {
  QTemporaryDir exe;
  QFile marker(exe.filePath(QStringLiteral("pyxadesk.portable")));
  ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
  marker.close();
  const QString folder = exe.path() + QStringLiteral("/");
  const AppPaths paths(folder, Env({{QStringLiteral("HOME"), QStringLiteral("/home/ana")}}));
  EXPECT_TRUE(paths.IsPortable());
  EXPECT_EQ(paths.ProgramFolder(), folder);
  EXPECT_EQ(paths.MachineHive(), folder + QStringLiteral("Pyxadesk-machine.conf"));
  EXPECT_EQ(paths.UserHive(), folder + QStringLiteral("Pyxadesk-user.conf"));
  EXPECT_EQ(paths.DataFolder(), folder);
  EXPECT_EQ(paths.RuntimeFolder(), folder);

  const AppPaths withRuntime(folder, Env({{QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("/run/user/7")}}));
  EXPECT_EQ(withRuntime.RuntimeFolder(), QStringLiteral("/run/user/7/"));
}

TEST(AppPaths, RunningExecutableFolderEndsWithSlash) {
  EXPECT_EQ(AppPaths::RunningExecutableFolder(), QCoreApplication::applicationDirPath() + QStringLiteral("/"));
}

}  // namespace
}  // namespace pyxa
