#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/IniRegistry.h"

namespace pyxa {
namespace {

const QString kKofaxKey = QStringLiteral("Software\\Corvantis\\Pyxa");

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

class IniRegistryTest : public ::testing::Test {
 protected:
  QString Machine() const { return dir_.filePath(QStringLiteral("etc/Corvantis/Pyxadesk.conf")); }
  QString User() const { return dir_.filePath(QStringLiteral("home/Corvantis/Pyxadesk.conf")); }

  QString Read(Hive hive, const QString& key, const QString& name, std::int32_t* rc = nullptr) {
    QString value = QStringLiteral("<untouched>");
    const std::int32_t code = registry_.ReadRegistryValue(hive, key, name, value);
    if (rc) *rc = code;
    return value;
  }
  std::int32_t Code(Hive hive, const QString& key, const QString& name) {
    std::int32_t rc = 0;
    Read(hive, key, name, &rc);
    return rc;
  }
  void Write(Hive hive, const QString& key, const QString& name, const QString& value) {
    EXPECT_EQ(registry_.WriteRegistryValue(hive, key, name, value), 0);
  }

  QTemporaryDir dir_;
  IniRegistry registry_{Machine(), User()};
};

TEST_F(IniRegistryTest, WritesOneSectionPerKeyInTextAnAdministratorCanWrite) {
  Write(Hive::Machine, kSettingsKeyPath, QStringLiteral("WebService_URL"), QStringLiteral("http://clinic/svc;x=1"));
  Write(Hive::Machine, kSettingsKeyPath, QStringLiteral("Kofax"), QStringLiteral("False"));
  Write(Hive::Machine, kKofaxKey, QStringLiteral("Current Device"), QStringLiteral("fujitsu:fi-7160"));
  Write(Hive::Machine, kSettingsKeyPath, QStringLiteral("MicrosoftWSE"), QString());
  Write(Hive::Machine, kSettingsKeyPath, QStringLiteral("Kofax"), QStringLiteral("True"));  // in place
  EXPECT_EQ(ReadAll(Machine()),
            "[SOFTWARE\\Corvantis\\Pyxadesk]\n"
            "WebService_URL=http://clinic/svc;x=1\n"
            "Kofax=True\n"
            "MicrosoftWSE=\n"
            "\n"
            "[Software\\Corvantis\\Pyxa]\n"
            "Current Device=fujitsu:fi-7160\n");
  EXPECT_FALSE(QFile::exists(User()));  // the hives are separate files
  EXPECT_FALSE(QFile::exists(Machine() + QStringLiteral(".lock")));

  std::int32_t rc = -1;
  EXPECT_EQ(Read(Hive::Machine, kSettingsKeyPath, QStringLiteral("WebService_URL"), &rc),
            QStringLiteral("http://clinic/svc;x=1"));
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Read(Hive::Machine, kSettingsKeyPath, QStringLiteral("MicrosoftWSE"), &rc), QString());
  EXPECT_EQ(rc, 0);  // present though empty
  EXPECT_EQ(Read(Hive::Machine, kKofaxKey, QStringLiteral("Current Device")), QStringLiteral("fujitsu:fi-7160"));
}

TEST_F(IniRegistryTest, MissingFileKeyOrValueIsNotFoundAndLeavesTheOutputAlone) {
  EXPECT_EQ(Read(Hive::User, kSettingsKeyPath, QStringLiteral("Store_Type"), nullptr), QStringLiteral("<untouched>"));
  EXPECT_EQ(Code(Hive::User, kSettingsKeyPath, QStringLiteral("Store_Type")), Registry::kNotFound);
  Write(Hive::User, kSettingsKeyPath, QStringLiteral("Store_Type"), QStringLiteral("7"));
  EXPECT_EQ(Code(Hive::User, kSettingsKeyPath, QStringLiteral("Store_Category")), Registry::kNotFound);
  EXPECT_EQ(Code(Hive::User, kKofaxKey, QStringLiteral("Store_Type")), Registry::kNotFound);
  const auto groupOrOther = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
  EXPECT_FALSE(QFile::permissions(User()) & groupOrOther);  // the user's own
  // Keys are whole paths: neither a prefix nor a parent names the same key.
  EXPECT_EQ(Code(Hive::User, QStringLiteral("SOFTWARE\\Corvantis\\Pyxades"), QStringLiteral("Store_Type")),
            Registry::kNotFound);
  EXPECT_EQ(Code(Hive::User, QStringLiteral("SOFTWARE\\Corvantis"), QStringLiteral("Store_Type")), Registry::kNotFound);
  EXPECT_EQ(Code(Hive::Machine, kSettingsKeyPath, QStringLiteral("Store_Type")), Registry::kNotFound);
  // A hive whose folder is a file is missing, and writing to it fails silently.
  WriteAll(dir_.filePath(QStringLiteral("plain")), "x");
  IniRegistry blocked(dir_.filePath(QStringLiteral("plain/Pyxadesk.conf")), QString());
  QString value;
  EXPECT_EQ(blocked.ReadRegistryValue(Hive::Machine, kSettingsKeyPath, QStringLiteral("A"), value),
            Registry::kNotFound);
  EXPECT_EQ(blocked.WriteRegistryValue(Hive::Machine, kSettingsKeyPath, QStringLiteral("A"), QStringLiteral("1")), 0);
  EXPECT_EQ(blocked.WriteRegistryValue(Hive::User, kSettingsKeyPath, QStringLiteral("A"), QStringLiteral("1")), 0);
  EXPECT_EQ(ReadAll(dir_.filePath(QStringLiteral("plain"))), "x");
}

TEST_F(IniRegistryTest, KeysAndNamesIgnoreLetterCaseAndSeparatorSpelling) {
  Write(Hive::Machine, kSettingsKeyPath, QStringLiteral("LastLogin"), QStringLiteral("demo"));
  EXPECT_EQ(Read(Hive::Machine, QStringLiteral("software/corvantis/pyxadesk/"), QStringLiteral("LASTLOGIN")),
            QStringLiteral("demo"));
  Write(Hive::Machine, QStringLiteral("Software\\Corvantis\\PYXADESK"), QStringLiteral("lastlogin"),
        QStringLiteral("clerk"));
  // The existing spelling is kept; no second entry appears.
  EXPECT_EQ(ReadAll(Machine()), "[SOFTWARE\\Corvantis\\Pyxadesk]\nLastLogin=clerk\n");
}

TEST_F(IniRegistryTest, ValuesRoundTripExactly) {
  const QStringList values{QStringLiteral(" padded "),
                           QStringLiteral("\"quoted\""),
                           QStringLiteral("C:\\Program Files\\x\\"),
                           QStringLiteral("a,b; c # d = e"),
                           QStringLiteral("two\nlines\r\tand tab"),
                           QStringLiteral("@Variant(x) %5C"),
                           QString::fromUtf8("Zoë Müller – 東京"),
                           QStringLiteral("ends with quote\"")};
  int i = 0;
  for (const QString& value : values) {
    Write(Hive::User, kSettingsKeyPath, QStringLiteral("V%1").arg(i++), value);
  }
  IniRegistry other(Machine(), User());  // a fresh reader sees the same text
  i = 0;
  for (const QString& value : values) {
    QString read;
    ASSERT_EQ(other.ReadRegistryValue(Hive::User, kSettingsKeyPath, QStringLiteral("V%1").arg(i++), read), 0);
    EXPECT_EQ(read, value);
  }
  EXPECT_EQ(ReadAll(User()).count('\n'), values.size() + 1);  // one line per value
}

TEST_F(IniRegistryTest, ReadsHandWrittenFilesAndKeepsTheirCommentsOnWrite) {
  QDir().mkpath(QFileInfo(Machine()).absolutePath());
  WriteAll(Machine(),
           "\xEF\xBB\xBF; written by the administrator\r\n"
           "[ SOFTWARE\\Corvantis\\Pyxadesk ]\r\n"
           "  WebService_URL = https://clinic.example/svc  \r\n"
           "# the installer\r\n"
           "MicrosoftWSE=\"\"\r\n"
           "Scanner=\"  spaced \\\"name\\\" C:\\dir  \"\r\n"
           "\r\n"
           "[Software/Corvantis/Pyxa]\r\n"
           "Current Device=dev\r\n"
           "[SOFTWARE%5CCorvantis%5CPyxadesk]\r\n"
           "LastLogin=demo\r\n");
  EXPECT_EQ(Read(Hive::Machine, kSettingsKeyPath, QStringLiteral("WebService_URL")),
            QStringLiteral("https://clinic.example/svc"));
  EXPECT_EQ(Read(Hive::Machine, kSettingsKeyPath, QStringLiteral("MicrosoftWSE")), QString());
  EXPECT_EQ(Read(Hive::Machine, kSettingsKeyPath, QStringLiteral("Scanner")),
            QStringLiteral("  spaced \"name\" C:\\dir  "));
  EXPECT_EQ(Read(Hive::Machine, kSettingsKeyPath, QStringLiteral("LastLogin")), QStringLiteral("demo"));
  EXPECT_EQ(Read(Hive::Machine, kKofaxKey, QStringLiteral("Current Device")), QStringLiteral("dev"));

  Write(Hive::Machine, kSettingsKeyPath, QStringLiteral("WebService_URL"), QStringLiteral("file:///srv/c.sqlite"));
  Write(Hive::Machine, kSettingsKeyPath, QStringLiteral("LastLogin"), QStringLiteral("demo"));  // unchanged
  Write(Hive::Machine, kSettingsKeyPath, QStringLiteral("Kofax"), QStringLiteral("True"));
  EXPECT_EQ(ReadAll(Machine()),
            "; written by the administrator\n"
            "[ SOFTWARE\\Corvantis\\Pyxadesk ]\n"
            "WebService_URL=file:///srv/c.sqlite\n"
            "# the installer\n"
            "MicrosoftWSE=\"\"\n"
            "Scanner=\"  spaced \\\"name\\\" C:\\dir  \"\n"
            "\n"
            "[Software/Corvantis/Pyxa]\n"
            "Current Device=dev\n"
            "[SOFTWARE%5CCorvantis%5CPyxadesk]\n"
            "LastLogin=demo\n"
            "Kofax=True\n");
}

TEST_F(IniRegistryTest, MalformedHiveIsReportedAndNeverReplaced) {
  const QList<QByteArray> broken{
      "Kofax=True\n",                                   // a value before any section
      "[SOFTWARE\\Corvantis\\Pyxadesk\nKofax=True\n",   // unclosed section
      "[SOFTWARE\\Corvantis\\Pyxadesk]\nKofax True\n",  // no "="
      "[SOFTWARE\\Corvantis\\Pyxadesk]\n=True\n",       // no name
      "[SOFTWARE\\Corvantis\\Pyxadesk]\nA=\"open\n",    // unterminated quote
      "[SOFTWARE\\Corvantis\\Pyxadesk]\nA=\"x\" y\n",   // text after the quote
      "[]\nA=1\n",                                      // no key path
      "[SOFTWARE\\Corvantis\\Pyxadesk]\nA=\xff\xfe\n",  // not UTF-8
  };
  QDir().mkpath(QFileInfo(Machine()).absolutePath());
  for (const QByteArray& text : broken) {
    WriteAll(Machine(), text);
    EXPECT_EQ(Code(Hive::Machine, kSettingsKeyPath, QStringLiteral("A")), IniRegistry::kMalformed) << text.data();
    Write(Hive::Machine, kSettingsKeyPath, QStringLiteral("A"), QStringLiteral("new"));
    EXPECT_EQ(ReadAll(Machine()), text);
  }
}

TEST_F(IniRegistryTest, UnreadableHiveIsReportedAndNeverReplaced) {
  ASSERT_TRUE(QDir().mkpath(User()));  // a folder where the file should be
  EXPECT_EQ(Code(Hive::User, kSettingsKeyPath, QStringLiteral("A")), EISDIR);
  Write(Hive::User, kSettingsKeyPath, QStringLiteral("A"), QStringLiteral("1"));
  EXPECT_TRUE(QFileInfo(User()).isDir());

  if (geteuid() == 0) return;  // permissions do not stop root
  Write(Hive::Machine, kSettingsKeyPath, QStringLiteral("A"), QStringLiteral("1"));
  ASSERT_TRUE(QFile::setPermissions(Machine(), QFileDevice::Permissions()));
  EXPECT_EQ(Code(Hive::Machine, kSettingsKeyPath, QStringLiteral("A")), EACCES);
  Write(Hive::Machine, kSettingsKeyPath, QStringLiteral("A"), QStringLiteral("2"));
  QFile::setPermissions(Machine(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  EXPECT_EQ(Read(Hive::Machine, kSettingsKeyPath, QStringLiteral("A")), QStringLiteral("1"));
}

TEST_F(IniRegistryTest, FailedWriteLeavesTheOldFileWhole) {
  Write(Hive::Machine, kSettingsKeyPath, QStringLiteral("WebService_URL"), QStringLiteral("http://old"));
  const QByteArray before = ReadAll(Machine());

  // Files may not grow past 1 KiB for a moment: the new hive text cannot be written.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::int32_t rc = registry_.WriteRegistryValue(Hive::Machine, kSettingsKeyPath, QStringLiteral("Big"),
                                                       QString(64 * 1024, QLatin1Char('x')));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(rc, 0);  // silent
  EXPECT_EQ(ReadAll(Machine()), before);
  EXPECT_EQ(QDir(QFileInfo(Machine()).absolutePath()).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("Pyxadesk.conf")});  // no temporary or lock file left
  EXPECT_EQ(Read(Hive::Machine, kSettingsKeyPath, QStringLiteral("WebService_URL")), QStringLiteral("http://old"));
}

TEST_F(IniRegistryTest, RegistriesOnOneFileSeeEachOtherAndLoseNoWrites) {
  IniRegistry other(Machine(), User());
  for (int i = 0; i < 10; ++i) {
    Write(Hive::User, kSettingsKeyPath, QStringLiteral("A%1").arg(i), QString::number(i));
    EXPECT_EQ(other.WriteRegistryValue(Hive::User, kSettingsKeyPath, QStringLiteral("B%1").arg(i), QString::number(i)),
              0);
  }
  QString value;
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(Read(Hive::User, kSettingsKeyPath, QStringLiteral("B%1").arg(i)), QString::number(i));
    ASSERT_EQ(other.ReadRegistryValue(Hive::User, kSettingsKeyPath, QStringLiteral("A%1").arg(i), value), 0);
    EXPECT_EQ(value, QString::number(i));
  }
}

TEST_F(IniRegistryTest, NamesThatCannotBeStoredAreRefusedQuietly) {
  for (const QString& name : {QString(), QStringLiteral("a=b"), QStringLiteral(" lead"), QStringLiteral("[x"),
                              QStringLiteral(";x"), QStringLiteral("a\nb")}) {
    Write(Hive::User, kSettingsKeyPath, name, QStringLiteral("1"));
    EXPECT_EQ(Code(Hive::User, kSettingsKeyPath, name), Registry::kNotFound);
  }
  Write(Hive::User, QStringLiteral("\\\\"), QStringLiteral("A"), QStringLiteral("1"));
  Write(Hive::User, QStringLiteral("Bad]Key"), QStringLiteral("A"), QStringLiteral("1"));
  EXPECT_FALSE(QFile::exists(User()));
}

}  // namespace
}  // namespace pyxa
