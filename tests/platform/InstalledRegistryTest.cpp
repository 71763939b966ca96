// The installed layout's registry: the values the program keeps at machine level go to the user's
// hive, while an administrator's value in the machine hive still rules.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/AppPaths.h"
#include "platform/InstalledRegistry.h"

namespace pyxa {
namespace {

const QString kScannerKey = QStringLiteral("Software\\Corvantis\\Pyxa");

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  ASSERT_TRUE(QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/')))));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

class InstalledRegistryTest : public ::testing::Test {
 protected:
  QString Machine() const { return dir_.filePath(QStringLiteral("etc/xdg/Corvantis/Pyxadesk.conf")); }
  QString User() const { return dir_.filePath(QStringLiteral("home/.config/Corvantis/Pyxadesk.conf")); }
  QString Read(const QString& key, const QString& name, std::int32_t* rc = nullptr) {
    QString value = QStringLiteral("<untouched>");
    const std::int32_t code = registry_.ReadRegistryValue(Hive::Machine, key, name, value);
    if (rc) *rc = code;
    return value;
  }

  QTemporaryDir dir_;
  InstalledRegistry registry_{Machine(), User()};
};

TEST_F(InstalledRegistryTest, TheProgramsOwnMachineValuesGoToTheUsersHiveAndTheAdministratorsStayPut) {
  const QByteArray admin = "[SOFTWARE\\Corvantis\\Pyxadesk]\nWebService_URL=https://clinic:8443/\nLastLogin=\n";
  WriteAll(Machine(), admin);
  for (const char* name : {"LastLogin", "Scanner", "WSE_Installed"}) {
    registry_.WriteRegistryValue(Hive::Machine, kSettingsKeyPath, QString::fromLatin1(name), QStringLiteral("v"));
  }
  registry_.WriteRegistryValue(Hive::Machine, QStringLiteral("software/corvantis/pyxa/"),
                               QStringLiteral("current device"), QStringLiteral("test:0"));
  EXPECT_EQ(ReadAll(Machine()), admin);
  EXPECT_EQ(ReadAll(User()),
            "[SOFTWARE\\Corvantis\\Pyxadesk]\nLastLogin=v\nScanner=v\nWSE_Installed=v\n\n"
            "[software\\corvantis\\pyxa]\ncurrent device=test:0\n");
  EXPECT_EQ(Read(kScannerKey, QStringLiteral("Current Device")), QStringLiteral("test:0"));
  EXPECT_EQ(QFile(User()).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);

  // Every other machine value is the administrator's: written to the machine hive (silently lost
  // where that is read-only), never kept in the user's hive in its place.
  registry_.WriteRegistryValue(Hive::Machine, kSettingsKeyPath, QStringLiteral("Kofax"), QStringLiteral("True"));
  EXPECT_TRUE(ReadAll(Machine()).contains("Kofax=True"));
  EXPECT_FALSE(ReadAll(User()).contains("Kofax"));
  registry_.WriteRegistryValue(Hive::User, kSettingsKeyPath, QStringLiteral("Store_Sender"), QStringLiteral("Dr A"));
  QString sender;
  EXPECT_EQ(registry_.ReadRegistryValue(Hive::User, kSettingsKeyPath, QStringLiteral("Store_Sender"), sender), 0);
  EXPECT_EQ(sender, QStringLiteral("Dr A"));
  EXPECT_EQ(registry_.HiveLocation(Hive::Machine), Machine());
}

TEST_F(InstalledRegistryTest, AnAdministratorsValueRulesAndAnUnsetOneLeavesItToTheUser) {
  struct Case {
    const char* name;
    const char* machine;  // nullptr: no such line
    const char* user;     // nullptr: no such line
    const char* expected;
    std::int32_t rc;
  };
  const Case cases[] = {
      {"LastLogin", "ana", "bo", "ana", 0},
      {"LastLogin", "", "bo", "bo", 0},
      {"LastLogin", nullptr, "bo", "bo", 0},
      {"LastLogin", "", "", "", 0},
      {"LastLogin", nullptr, "", "", 0},
      {"LastLogin", "", nullptr, "", 0},
      {"LastLogin", nullptr, nullptr, "<untouched>", Registry::kNotFound},
      {"Scanner", "fujitsu:fi-7160", "test:0", "fujitsu:fi-7160", 0},
      {"Scanner", " ", "test:0", "test:0", 0},
      // "False" only says the package has not run yet: the user's record that it ran counts.
      {"WSE_Installed", "False", "True", "True", 0},
      {"WSE_Installed", "0", "True", "True", 0},
      {"WSE_Installed", "False", nullptr, "False", 0},
      {"WSE_Installed", "False", "", "False", 0},
      {"WSE_Installed", "True", "False", "True", 0},
      {"WSE_Installed", "1", "False", "1", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " machine=" + (c.machine ? c.machine : "-") +
                 " user=" + (c.user ? c.user : "-"));
    QByteArray machine = "[SOFTWARE\\Corvantis\\Pyxadesk]\nMicrosoftWSE=\n";
    if (c.machine) machine += QByteArray(c.name) + "=" + c.machine + "\n";
    QByteArray user = "[SOFTWARE\\Corvantis\\Pyxadesk]\nMainForm_Left=0\n";
    if (c.user) user += QByteArray(c.name) + "=" + c.user + "\n";
    WriteAll(Machine(), machine);
    WriteAll(User(), user);
    std::int32_t rc = -1;
    EXPECT_EQ(Read(kSettingsKeyPath, QString::fromLatin1(c.name), &rc), QString::fromUtf8(c.expected));
    EXPECT_EQ(rc, c.rc);
  }
}

TEST_F(InstalledRegistryTest, AnUnreadableMachineHiveIsReportedUnlessTheUserKeepsTheValue) {
  ASSERT_TRUE(QDir().mkpath(Machine()));  // a folder in the hive's place
  WriteAll(User(), "[SOFTWARE\\Corvantis\\Pyxadesk]\nLastLogin=bo\n");
  std::int32_t rc = 0;
  EXPECT_EQ(Read(kSettingsKeyPath, QStringLiteral("LastLogin"), &rc), QStringLiteral("bo"));
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Read(kSettingsKeyPath, QStringLiteral("Scanner"), &rc), QStringLiteral("<untouched>"));
  EXPECT_EQ(rc, EISDIR);
  Read(kSettingsKeyPath, QStringLiteral("MicrosoftWSE"), &rc);
  EXPECT_EQ(rc, EISDIR);
}

TEST(OpenSettingsRegistry, ThePortableLayoutKeepsEveryMachineValueInItsMachineFile) {
  QTemporaryDir exe;
  WriteAll(exe.filePath(AppPaths::kPortableMarker), "");
  const AppPaths portable(exe.path(), [](const QString&) { return QString(); });
  const auto registry = OpenSettingsRegistry(portable);
  registry->WriteRegistryValue(Hive::Machine, kSettingsKeyPath, QStringLiteral("LastLogin"), QStringLiteral("ana"));
  EXPECT_TRUE(ReadAll(portable.MachineHive()).contains("LastLogin=ana"));
  EXPECT_EQ(ReadAll(portable.UserHive()), "<missing>");
}

}  // namespace
}  // namespace pyxa
