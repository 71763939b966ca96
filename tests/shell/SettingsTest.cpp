#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>

#include "MemoryRegistry.h"
#include "platform/SystemError.h"
#include "shell/Settings.h"

namespace pyxa {
namespace {

const QStringList kMachineOrder = {"WebService_URL", "WebService_Timeout", "MicrosoftWSE", "WSE_Installed", "Kofax",
                                   "Scanner",        "LastLogin"};
const QStringList kUserOrder = {"MainForm_Left",   "MainForm_Top",   "MainForm_Width",  "MainForm_Height",
                                "NavigatorLeft",   "NavigatorTop",   "NavigatorShown",  "FindSheets",
                                "SheetKinds",      "KeepSheetPages", "ReadPages",
                                "Store_Physician", "Store_Category", "Store_Type",      "Store_TypeDesc",
                                "Store_SenderID",  "Store_Sender",   "Store_DTPicker1", "Store_DocName",
                                "Store_Abnormal",  "Store_Signoff"};

int ModeOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return -1;
  return static_cast<int>(info.st_mode & 07777);
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    data_ = dir_.path() + QStringLiteral("/data/");
    ASSERT_TRUE(QDir().mkpath(data_));
    registry_.Set(Hive::Machine, QStringLiteral("MicrosoftWSE"), QStringLiteral("wse.msi"));
  }

  SettingsStore Store() { return SettingsStore(registry_, dir_.path() + QStringLiteral("/program"), data_); }

  std::int32_t Load(AppSettings& settings, QString& text) { return Store().LoadSettings(settings, text); }

  QTemporaryDir dir_;
  QString data_;
  MemoryRegistry registry_;
};

TEST_F(SettingsTest, FirstRunCreatesFoldersAndTheMissingMachineValues) {
  AppSettings settings;
  QString text;
  ASSERT_EQ(Load(settings, text), 0) << text.toStdString();
  EXPECT_TRUE(text.isEmpty());

  EXPECT_EQ(settings.AvailableFolder, data_ + QStringLiteral("Available Files/"));
  EXPECT_EQ(settings.UploadsFolder, data_ + QStringLiteral("Uploads/"));
  EXPECT_EQ(settings.WorkingFolders[0], settings.AvailableFolder);
  EXPECT_EQ(settings.WorkingFolders[1], settings.UploadsFolder);
  EXPECT_EQ(ModeOf(settings.AvailableFolder), 0700);
  EXPECT_EQ(ModeOf(settings.UploadsFolder), 0700);

  // Every value is read in its fixed order; only the values whose absence the rules repair are
  // created, all empty except the time-out.
  EXPECT_EQ(registry_.ReadNames(),
            kMachineOrder + (QStringList{"WebService_CAFile", "WebService_Insecure"}) + kUserOrder);
  const QVector<MemoryRegistry::Write> expected = {
      {Hive::Machine, kSettingsKeyPath, "WebService_URL", ""},
      {Hive::Machine, kSettingsKeyPath, "WebService_Timeout", "60"},
      {Hive::Machine, kSettingsKeyPath, "WSE_Installed", ""},
  };
  EXPECT_EQ(registry_.Writes(), expected);

  EXPECT_EQ(settings.WebServiceURL, QString());
  EXPECT_EQ(settings.WebServiceTimeout, 60);
  EXPECT_EQ(settings.SupportPackage, QStringLiteral("wse.msi"));
  EXPECT_FALSE(settings.SupportPackageInstalled);
  EXPECT_FALSE(settings.Kofax);
  EXPECT_EQ(settings.MainFormLeft, -1);
  EXPECT_EQ(settings.MainFormTop, -1);
  EXPECT_EQ(settings.MainFormWidth, -1);
  EXPECT_EQ(settings.MainFormHeight, -1);

  // The created values are read back on the next start: nothing more is written.
  registry_.ClearWrites();
  AppSettings again;
  ASSERT_EQ(Load(again, text), 0);
  EXPECT_TRUE(registry_.Writes().isEmpty());
  EXPECT_EQ(again.WebServiceTimeout, 60);
}

TEST_F(SettingsTest, StoredValuesAreConverted) {
  const auto machine = [&](const char* n, const char* v) { registry_.Set(Hive::Machine, n, v); };
  const auto user = [&](const char* n, const char* v) { registry_.Set(Hive::User, n, v); };
  machine("WebService_URL", "https://clinic.example/ws");
  machine("WebService_Timeout", "120");
  machine("WSE_Installed", "TRUE");
  machine("Kofax", "-1");
  machine("Scanner", "Fujitsu fi-7160");
  machine("LastLogin", "nurse1");
  user("MainForm_Left", "-32000");
  user("MainForm_Top", "  15");
  user("MainForm_Width", "800.5");  // rounds half to even
  user("MainForm_Height", "601.5");
  user("Store_Physician", "1234567");
  user("Store_Category", "7");
  user("Store_Type", "-3");
  user("Store_TypeDesc", "Lab Report");
  user("Store_SenderID", "99");
  user("Store_Sender", "City Lab");
  user("Store_DTPicker1", "2025-11-02");
  user("Store_DocName", "Blood work");
  user("Store_Abnormal", "1");
  user("Store_Signoff", "0");

  AppSettings s;
  QString text;
  ASSERT_EQ(Load(s, text), 0);
  EXPECT_TRUE(registry_.Writes().isEmpty());
  EXPECT_EQ(s.WebServiceURL, QStringLiteral("https://clinic.example/ws"));
  EXPECT_EQ(s.WebServiceTimeout, 120);
  EXPECT_TRUE(s.SupportPackageInstalled);
  EXPECT_TRUE(s.Kofax);
  EXPECT_EQ(s.Scanner, QStringLiteral("Fujitsu fi-7160"));
  EXPECT_EQ(s.LastLogin, QStringLiteral("nurse1"));
  EXPECT_EQ(s.MainFormLeft, -32000);
  EXPECT_EQ(s.MainFormTop, 15);
  EXPECT_EQ(s.MainFormWidth, 800);
  EXPECT_EQ(s.MainFormHeight, 602);
  EXPECT_EQ(s.StorePhysician, 1234567);
  EXPECT_EQ(s.StoreCategory, 7);
  EXPECT_EQ(s.StoreType, -3);
  EXPECT_EQ(s.StoreTypeDesc, QStringLiteral("Lab Report"));
  EXPECT_EQ(s.StoreSenderID, 99);
  EXPECT_EQ(s.StoreSender, QStringLiteral("City Lab"));
  EXPECT_EQ(s.StoreDate, QStringLiteral("2025-11-02"));
  EXPECT_EQ(s.StoreDocName, QStringLiteral("Blood work"));
  EXPECT_EQ(s.StoreAbnormal, QStringLiteral("1"));
  EXPECT_EQ(s.StoreSignoff, QStringLiteral("0"));
}

TEST_F(SettingsTest, NumbersAreReadFromTheLeadingDigits) {
  const struct {
    const char* stored;
    int timeout;
  } cases[] = {
      {"abc", 0},
      {"", 0},
      {"45s", 45},
      {" - 7", -7},
      {"1 2", 12},
      {"3e2", 300},
      {"+8", 8},
      {"2.5", 2},
      {"32767", 32767},
      {"32768", 60},  // too large for the field: the default stays
      {"-99999999999999999999", 60},
  };
  for (const auto& c : cases) {
    registry_.Set(Hive::Machine, "WebService_Timeout", c.stored);
    AppSettings s;
    QString text;
    ASSERT_EQ(Load(s, text), 0);
    EXPECT_EQ(s.WebServiceTimeout, c.timeout) << c.stored;
  }

  // The same rule for the per-user numbers: an overflowing value keeps the default.
  registry_.Set(Hive::User, "MainForm_Width", "40000");
  registry_.Set(Hive::User, "Store_Category", "9999999999");
  registry_.Set(Hive::User, "Store_Type", "x");
  AppSettings s;
  QString text;
  ASSERT_EQ(Load(s, text), 0);
  EXPECT_EQ(s.MainFormWidth, -1);
  EXPECT_EQ(s.StoreCategory, 0);
  EXPECT_EQ(s.StoreType, 0);
}

TEST_F(SettingsTest, BooleansAcceptAnyCaseAndNumbers) {
  const struct {
    const char* stored;
    bool expected;
  } cases[] = {{"true", true}, {"FALSE", false}, {" True ", true}, {"-1", true}, {"0", false}, {"2.5", true}};
  for (const auto& c : cases) {
    registry_.Set(Hive::Machine, "Kofax", c.stored);
    AppSettings s;
    s.Kofax = !c.expected;
    QString text;
    ASSERT_EQ(Load(s, text), 0);
    EXPECT_EQ(s.Kofax, c.expected) << c.stored;
  }
  // Text that is no Boolean leaves the field as it was.
  registry_.Set(Hive::Machine, "Kofax", "yes");
  registry_.Set(Hive::Machine, "WSE_Installed", "maybe");
  AppSettings s;
  QString text;
  ASSERT_EQ(Load(s, text), 0);
  EXPECT_FALSE(s.Kofax);
  EXPECT_FALSE(s.SupportPackageInstalled);
}

TEST_F(SettingsTest, MissingOrUnreadableSupportPackageIsFatal) {
  registry_.Remove(Hive::Machine, "MicrosoftWSE");
  AppSettings s;
  QString text;
  EXPECT_EQ(Load(s, text), 2);
  EXPECT_EQ(text, SystemErrorText(2) + QStringLiteral("[SOFTWARE\\Corvantis\\Pyxadesk\\MicrosoftWSE]"));
  // Nothing after the failing value is read.
  EXPECT_EQ(registry_.ReadNames(), kMachineOrder.mid(0, 3));

  registry_.Set(Hive::Machine, "MicrosoftWSE", "wse.msi");
  registry_.FailReads(Hive::Machine, "MicrosoftWSE", EIO);
  EXPECT_EQ(Load(s, text), EIO);
  EXPECT_EQ(text, SystemErrorText(EIO) + QStringLiteral("[SOFTWARE\\Corvantis\\Pyxadesk\\MicrosoftWSE]"));
}

TEST_F(SettingsTest, ReadFailuresOtherThanMissingWriteEmptyValues) {
  registry_.Set(Hive::Machine, "WebService_URL", "file:clinic.db");
  registry_.Set(Hive::Machine, "Kofax", "True");
  registry_.Set(Hive::User, "Store_Sender", "Kept");
  for (const char* name : {"WebService_URL", "WSE_Installed", "Kofax", "Scanner", "LastLogin"}) {
    registry_.FailReads(Hive::Machine, name, EACCES);
  }
  registry_.FailReads(Hive::Machine, "WebService_Timeout", EACCES);
  registry_.FailReads(Hive::User, "Store_Sender", EACCES);
  registry_.FailReads(Hive::User, "MainForm_Top", EACCES);

  AppSettings s;
  QString text;
  ASSERT_EQ(Load(s, text), 0);
  // "WSE_Installed" is repaired only when missing; every other value also when unreadable.
  const QVector<MemoryRegistry::Write> expected = {
      {Hive::Machine, kSettingsKeyPath, "WebService_URL", ""},
      {Hive::Machine, kSettingsKeyPath, "WebService_Timeout", "60"},
      {Hive::Machine, kSettingsKeyPath, "Kofax", ""},
      {Hive::Machine, kSettingsKeyPath, "Scanner", ""},
      {Hive::Machine, kSettingsKeyPath, "LastLogin", ""},
      {Hive::User, kSettingsKeyPath, "MainForm_Top", ""},
      {Hive::User, kSettingsKeyPath, "Store_Sender", ""},
  };
  EXPECT_EQ(registry_.Writes(), expected);
  EXPECT_EQ(s.WebServiceTimeout, 60);
  EXPECT_FALSE(s.Kofax);
}

TEST_F(SettingsTest, ExistingFoldersAreUntouchedAndAMissingOneIsRecreated) {
  AppSettings s;
  QString text;
  ASSERT_EQ(Load(s, text), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(s.AvailableFolder).constData(), 0750), 0);
  QFile keep(s.AvailableFolder + QStringLiteral("batch.tif"));
  ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
  keep.close();
  ASSERT_TRUE(QDir(s.UploadsFolder).removeRecursively());

  ASSERT_EQ(Load(s, text), 0);
  EXPECT_EQ(ModeOf(s.AvailableFolder), 0750);
  EXPECT_TRUE(QFile::exists(keep.fileName()));
  EXPECT_EQ(ModeOf(s.UploadsFolder), 0700);
}

TEST_F(SettingsTest, AFileInPlaceOfAWorkingFolderFailsTheLoad) {
  QFile blocker(data_ + QStringLiteral("Uploads"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();

  AppSettings s;
  QString text;
  EXPECT_EQ(Load(s, text), -1);
  EXPECT_EQ(text, QStringLiteral("Failed to create '") + data_ + QStringLiteral("Uploads/' exists."));
  EXPECT_TRUE(QFileInfo(data_ + QStringLiteral("Available Files")).isDir());
  EXPECT_TRUE(registry_.ReadNames().isEmpty());
  EXPECT_TRUE(blocker.exists());
}

TEST_F(SettingsTest, AFolderThatCannotBeCheckedReportsTheSystemText) {
  QFile blocker(dir_.path() + QStringLiteral("/plain"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  SettingsStore store(registry_, dir_.path(), blocker.fileName());  // slash added by the store

  AppSettings s;
  QString text;
  EXPECT_EQ(store.LoadSettings(s, text), ENOTDIR);
  EXPECT_EQ(text, QStringLiteral("Failed to check whether '") + blocker.fileName() +
                      QStringLiteral("/Available Files/' exists. ") + SystemErrorText(ENOTDIR));
}

AppSettings FullSettings() {
  AppSettings s;
  s.Kofax = true;
  s.MainFormLeft = 10;
  s.MainFormTop = 20;
  s.MainFormWidth = 1024;
  s.MainFormHeight = 768;
  s.WebServiceURL = QStringLiteral("file:clinic.db");
  s.WebServiceTimeout = 90;
  s.SupportPackage = QStringLiteral("wse.msi");
  s.SupportPackageInstalled = false;
  s.LastLogin = QStringLiteral("dr.who");
  s.StorePhysician = 11;
  s.StoreCategory = 12;
  s.StoreType = 13;
  s.StoreTypeDesc = QStringLiteral("Consult");
  s.StoreSenderID = 14;
  s.StoreSender = QStringLiteral("Ward 4");
  s.StoreDate = QStringLiteral("01/02/2025");
  s.StoreDocName = QStringLiteral("Letter");
  s.StoreAbnormal = QStringLiteral("True");
  s.StoreSignoff = QStringLiteral("False");
  s.Scanner = QStringLiteral("test:0");
  return s;
}

TEST_F(SettingsTest, SaveWritesMachineThenUserValuesInOrder) {
  QString text;
  ASSERT_EQ(Store().SaveSettings(FullSettings(), text), 0);
  EXPECT_EQ(registry_.WrittenNames(), kMachineOrder + kUserOrder);
  EXPECT_EQ(registry_.WrittenNames(Hive::Machine), kMachineOrder);
  EXPECT_EQ(registry_.Value(Hive::Machine, "Kofax"), QStringLiteral("True"));
  EXPECT_EQ(registry_.Value(Hive::Machine, "WSE_Installed"), QStringLiteral("False"));
  EXPECT_EQ(registry_.Value(Hive::Machine, "WebService_Timeout"), QStringLiteral("90"));
  EXPECT_EQ(registry_.Value(Hive::User, "MainForm_Left"), QStringLiteral("10"));
  EXPECT_EQ(registry_.Value(Hive::User, "Store_DTPicker1"), QStringLiteral("01/02/2025"));

  // What was saved loads back unchanged.
  AppSettings loaded;
  ASSERT_EQ(Load(loaded, text), 0);
  AppSettings expected = FullSettings();
  expected.AvailableFolder = loaded.AvailableFolder;
  expected.UploadsFolder = loaded.UploadsFolder;
  expected.WorkingFolders = loaded.WorkingFolders;
  EXPECT_TRUE(std::tie(loaded.Kofax, loaded.MainFormLeft, loaded.MainFormTop, loaded.MainFormWidth,
                       loaded.MainFormHeight, loaded.WebServiceURL, loaded.WebServiceTimeout, loaded.SupportPackage,
                       loaded.SupportPackageInstalled, loaded.LastLogin, loaded.StorePhysician, loaded.StoreCategory,
                       loaded.StoreType, loaded.StoreTypeDesc, loaded.StoreSenderID, loaded.StoreSender,
                       loaded.StoreDate, loaded.StoreDocName, loaded.StoreAbnormal, loaded.StoreSignoff,
                       loaded.Scanner) ==
              std::tie(expected.Kofax, expected.MainFormLeft, expected.MainFormTop, expected.MainFormWidth,
                       expected.MainFormHeight, expected.WebServiceURL, expected.WebServiceTimeout,
                       expected.SupportPackage, expected.SupportPackageInstalled, expected.LastLogin,
                       expected.StorePhysician, expected.StoreCategory, expected.StoreType, expected.StoreTypeDesc,
                       expected.StoreSenderID, expected.StoreSender, expected.StoreDate, expected.StoreDocName,
                       expected.StoreAbnormal, expected.StoreSignoff, expected.Scanner));
}

// A clinic server's values are written only once set, and read for a program without windows
// without writing anything.
TEST_F(SettingsTest, ClinicServerValuesSurviveASaveAndAreReadWithoutWriting) {
  QString text;
  AppSettings settings = FullSettings();
  ASSERT_EQ(Store().SaveSettings(settings, text), 0);
  EXPECT_FALSE(registry_.WrittenNames(Hive::Machine).contains(QStringLiteral("WebService_CAFile")));
  settings.WebServiceCAFile = QStringLiteral("/etc/pyxa/clinic-ca.pem");
  settings.WebServiceInsecureURL = QStringLiteral("http://records.example/");
  ASSERT_EQ(Store().SaveSettings(settings, text), 0);

  AppSettings loaded;
  ASSERT_EQ(Load(loaded, text), 0);
  EXPECT_EQ(loaded.WebServiceCAFile, settings.WebServiceCAFile);
  EXPECT_EQ(loaded.WebServiceInsecureURL, settings.WebServiceInsecureURL);

  const int written = registry_.WrittenNames().size();
  const ServiceOptions options = StoredServiceOptions(registry_);
  EXPECT_EQ(registry_.WrittenNames().size(), written);
  EXPECT_EQ(options.caFile, settings.WebServiceCAFile);
  EXPECT_EQ(options.acceptedInsecureUrl, settings.WebServiceInsecureURL);
  EXPECT_EQ(options.timeoutSeconds, settings.WebServiceTimeout);
  EXPECT_EQ(options.waiter, nullptr);
}

TEST_F(SettingsTest, GeometryOffScreenSkipsEveryUserValue) {
  const struct {
    qint16 left, top, width, height;
    bool saved;
  } cases[] = {
      {-32000, -32000, 160, 24, false},    // minimised
      {-1, -1, -1, -1, false},             // never stored
      {-500, 0, 500, 600, false},          // right edge at 0
      {0, -600, 800, 600, false},          // bottom edge at 0
      {-499, -599, 500, 600, true},        // one pixel on screen
      {32000, 32000, 32000, 32000, true},  // sums beyond 16 bits
  };
  for (const auto& c : cases) {
    AppSettings s = FullSettings();
    s.MainFormLeft = c.left;
    s.MainFormTop = c.top;
    s.MainFormWidth = c.width;
    s.MainFormHeight = c.height;
    registry_.ClearWrites();
    QString text;
    ASSERT_EQ(Store().SaveSettings(s, text), 0);
    EXPECT_EQ(registry_.WrittenNames(Hive::Machine), kMachineOrder);
    EXPECT_EQ(registry_.WrittenNames(Hive::User), c.saved ? kUserOrder : QStringList()) << c.left << "," << c.top;
  }
}

TEST_F(SettingsTest, SupportPackageMarkedInstalledUnderTheMachineKey) {
  Store().MarkSupportPackageInstalled();
  const QVector<MemoryRegistry::Write> expected = {{Hive::Machine, kSettingsKeyPath, "WSE_Installed", "True"}};
  EXPECT_EQ(registry_.Writes(), expected);
}

}  // namespace
}  // namespace pyxa
