#include "shell/Settings.h"

#include <sys/stat.h>

#include <QFile>
#include <cerrno>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "platform/IniRegistry.h"
#include "platform/Prompter.h"
#include "platform/SystemError.h"
#include "shell/PathRoutines.h"

namespace pyxa {

namespace {

constexpr qint16 kDefaultTimeout = 60;

// An empty folder stays empty (relative to the current folder) rather than becoming the root.
QString WithTrailingSlash(QString folder) {
  if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

// The number at the start of a text, read the way the settings have always been read: blanks,
// tabs and line feeds anywhere are skipped, then an optional sign, digits, an optional fraction
// and exponent; reading stops at the first other character, and a text without digits is 0.
double LeadingNumber(const QString& text) {
  std::string digits;
  for (const QChar ch : text) {
    if (ch == QLatin1Char(' ') || ch == QLatin1Char('\t') || ch == QLatin1Char('\n')) continue;
    digits += ch.unicode() < 128 ? static_cast<char>(ch.unicode()) : '\x7f';
  }
  std::size_t pos = 0;
  auto isDigit = [&](std::size_t i) { return i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; };
  std::string accepted;
  if (pos < digits.size() && (digits[pos] == '+' || digits[pos] == '-')) accepted += digits[pos++];
  const std::size_t mantissaStart = accepted.size();
  while (isDigit(pos)) accepted += digits[pos++];
  if (pos < digits.size() && digits[pos] == '.') {
    accepted += digits[pos++];
    while (isDigit(pos)) accepted += digits[pos++];
  }
  const std::string mantissa = accepted.substr(mantissaStart);
  if (mantissa.empty() || mantissa == ".") return 0.0;
  if (pos < digits.size() && (digits[pos] == 'e' || digits[pos] == 'E' || digits[pos] == 'd' || digits[pos] == 'D')) {
    std::size_t exp = pos + 1;
    std::string exponent = "e";
    if (exp < digits.size() && (digits[exp] == '+' || digits[exp] == '-')) exponent += digits[exp++];
    if (isDigit(exp)) {
      while (isDigit(exp)) exponent += digits[exp++];
      accepted += exponent;
    }
  }
  return std::strtod(accepted.c_str(), nullptr);
}

// A whole number of the field's width: rounded half to even, as an assignment to a whole-number
// field always rounded; nothing when it does not fit, so that the field keeps its default.
template <typename T>
std::optional<T> WholeNumber(const QString& text) {
  const double rounded = std::nearbyint(LeadingNumber(text));
  if (!std::isfinite(rounded) || rounded < std::numeric_limits<T>::min() || rounded > std::numeric_limits<T>::max()) {
    return std::nullopt;
  }
  return static_cast<T>(rounded);
}

// "True"/"False" in any letter case, or a number (non-zero is true); anything else is no answer.
std::optional<bool> BooleanValue(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
  if (trimmed.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
  bool ok = false;
  const double number = trimmed.toDouble(&ok);
  if (!ok || !std::isfinite(number)) return std::nullopt;
  return number != 0.0;
}

QString BooleanText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

// The per-user values in their fixed order; exactly one member pointer of each is set.
struct UserValue {
  const char* name;
  qint16 AppSettings::*small = nullptr;
  qint32 AppSettings::*whole = nullptr;
  QString AppSettings::*text = nullptr;
};

const UserValue kUserValues[] = {
    {"MainForm_Left", &AppSettings::MainFormLeft},
    {"MainForm_Top", &AppSettings::MainFormTop},
    {"MainForm_Width", &AppSettings::MainFormWidth},
    {"MainForm_Height", &AppSettings::MainFormHeight},
    {"NavigatorLeft", &AppSettings::NavigatorLeft},
    {"NavigatorTop", &AppSettings::NavigatorTop},
    {"NavigatorShown", nullptr, &AppSettings::NavigatorShown},
    {"FindSheets", nullptr, &AppSettings::FindSheets},
    {"SheetKinds", nullptr, &AppSettings::SheetKinds},
    {"KeepSheetPages", nullptr, &AppSettings::KeepSheetPages},
    {"ReadPages", nullptr, &AppSettings::ReadPages},
    {"Store_Physician", nullptr, &AppSettings::StorePhysician},
    {"Store_Category", nullptr, &AppSettings::StoreCategory},
    {"Store_Type", nullptr, &AppSettings::StoreType},
    {"Store_TypeDesc", nullptr, nullptr, &AppSettings::StoreTypeDesc},
    {"Store_SenderID", nullptr, &AppSettings::StoreSenderID},
    {"Store_Sender", nullptr, nullptr, &AppSettings::StoreSender},
    {"Store_DTPicker1", nullptr, nullptr, &AppSettings::StoreDate},
    {"Store_DocName", nullptr, nullptr, &AppSettings::StoreDocName},
    {"Store_Abnormal", nullptr, nullptr, &AppSettings::StoreAbnormal},
    {"Store_Signoff", nullptr, nullptr, &AppSettings::StoreSignoff},
};

}  // namespace

SettingsStore::SettingsStore(Registry& registry, QString programFolder, QString dataFolder)
    : registry_(registry),
      programFolder_(WithTrailingSlash(std::move(programFolder))),
      dataFolder_(WithTrailingSlash(std::move(dataFolder))) {}

std::int32_t SettingsStore::LoadSettings(AppSettings& settings, QString& errorText) {
  errorText.clear();
  userSettingsProblem_.clear();
  settings.MainFormLeft = -1;
  settings.MainFormTop = -1;
  settings.MainFormWidth = -1;
  settings.MainFormHeight = -1;
  settings.NavigatorLeft = -1;
  settings.NavigatorTop = -1;
  settings.NavigatorShown = 0;
  settings.FindSheets = 1;
  settings.SheetKinds = kSheetCovers | kSheetSeparators | kSheetPatches;
  settings.KeepSheetPages = 0;
  settings.ReadPages = 1;

  settings.AvailableFolder = dataFolder_ + QStringLiteral("Available Files/");
  settings.UploadsFolder = dataFolder_ + QStringLiteral("Uploads/");
  settings.WorkingFolders = {settings.AvailableFolder, settings.UploadsFolder};
  for (const QString& folder : settings.WorkingFolders) {
    const std::int32_t rc = EnsureWorkingFolder(folder, errorText);
    if (rc != 0) return rc;
  }

  const std::int32_t rc = LoadMachineValues(settings, errorText);
  if (rc != 0) return rc;
  LoadUserValues(settings);
  return 0;
}

std::int32_t SettingsStore::EnsureWorkingFolder(const QString& folder, QString& errorText) {
  QString path = folder;
  if (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
    // An existing folder is left exactly as it is. A file standing in its place is not a
    // working folder: it goes to creation, which fails with the usual message.
    if (S_ISDIR(info.st_mode)) return 0;
  } else {
    const int error = errno;
    if (error != ENOENT) {
      errorText =
          QStringLiteral("Failed to check whether '") + folder + QStringLiteral("' exists. ") + SystemErrorText(error);
      return error;
    }
  }
  if (CreateFolderPath(folder) != 0) {
    errorText = QStringLiteral("Failed to create '") + folder + QStringLiteral("' exists.");
    return -1;
  }
  return 0;
}

std::int32_t SettingsStore::LoadMachineValues(AppSettings& settings, QString& errorText) {
  const Hive hive = Hive::Machine;
  auto read = [&](const char* name, QString& value) {
    return registry_.ReadRegistryValue(hive, kSettingsKeyPath, QString::fromLatin1(name), value);
  };
  auto write = [&](const char* name, const QString& value) {
    registry_.WriteRegistryValue(hive, kSettingsKeyPath, QString::fromLatin1(name), value);
  };
  QString value;

  if (read("WebService_URL", value) == 0) {
    settings.WebServiceURL = value;
  } else {
    write("WebService_URL", QString());
  }

  if (read("WebService_Timeout", value) == 0) {
    settings.WebServiceTimeout = WholeNumber<qint16>(value).value_or(kDefaultTimeout);
  } else {
    settings.WebServiceTimeout = kDefaultTimeout;
    write("WebService_Timeout", QString::number(kDefaultTimeout));
  }

  const std::int32_t packageRc = read("MicrosoftWSE", value);
  if (packageRc != 0) {
    errorText = SystemErrorText(packageRc) + QStringLiteral("[") + kSettingsKeyPath + QStringLiteral("\\MicrosoftWSE]");
    return packageRc;
  }
  settings.SupportPackage = value;

  std::int32_t rc = read("WSE_Installed", value);
  if (rc == Registry::kNotFound) {
    write("WSE_Installed", QString());
  } else if (rc == 0 && !value.isEmpty()) {
    settings.SupportPackageInstalled = BooleanValue(value).value_or(settings.SupportPackageInstalled);
  }

  rc = read("Kofax", value);
  if (rc == 0) {
    if (!value.isEmpty()) settings.Kofax = BooleanValue(value).value_or(settings.Kofax);
  } else if (rc != Registry::kNotFound) {
    write("Kofax", QString());
  }

  for (auto [name, field] :
       {std::pair{"Scanner", &AppSettings::Scanner}, std::pair{"LastLogin", &AppSettings::LastLogin}}) {
    rc = read(name, value);
    if (rc == 0) {
      settings.*field = value;
    } else if (rc != Registry::kNotFound) {
      write(name, QString());
    }
  }
  // Values of a clinic server: an administrator writes the first; neither is created when missing.
  for (auto [name, field] : {std::pair{"WebService_CAFile", &AppSettings::WebServiceCAFile},
                             std::pair{"WebService_Insecure", &AppSettings::WebServiceInsecureURL}}) {
    if (read(name, value) == 0) settings.*field = value.trimmed();
  }
  return 0;
}

void SettingsStore::LoadUserValues(AppSettings& settings) {
  std::int32_t unreadable = 0;
  for (const UserValue& entry : kUserValues) {
    const QString name = QString::fromLatin1(entry.name);
    QString value;
    const std::int32_t rc = registry_.ReadRegistryValue(Hive::User, kSettingsKeyPath, name, value);
    if (rc != 0) {
      if (rc != Registry::kNotFound) {
        if (unreadable == 0) unreadable = rc;
        registry_.WriteRegistryValue(Hive::User, kSettingsKeyPath, name, QString());
      }
      continue;
    }
    if (value.isEmpty()) continue;
    // A number too large for its field keeps the field's default instead of failing the load.
    if (entry.small) {
      settings.*entry.small = WholeNumber<qint16>(value).value_or(settings.*entry.small);
    } else if (entry.whole) {
      settings.*entry.whole = WholeNumber<qint32>(value).value_or(settings.*entry.whole);
    } else {
      settings.*entry.text = value;
    }
  }
  if (unreadable != 0) {
    // The repairs above are refused by a hive that cannot be read, so nothing else would tell.
    const QString cause = unreadable == IniRegistry::kMalformed
                              ? QStringLiteral("The file is damaged: its text is not settings text.")
                              : SystemErrorText(unreadable);
    const QString location = registry_.HiveLocation(Hive::User);
    const QString what = location.isEmpty() ? QStringLiteral("Your personal settings")
                                            : QStringLiteral("Your personal settings file '%1'").arg(location);
    userSettingsProblem_ =
        QStringLiteral(
            "%1 cannot be read.\n%2\n%3 starts with the default window position and indexing values, "
            "and cannot keep your changes to them until the file is repaired or removed.")
            .arg(what, cause, kProductName);
  }
}

std::int32_t SettingsStore::SaveSettings(const AppSettings& settings, QString& errorText) {
  errorText.clear();
  auto machine = [&](const char* name, const QString& value) {
    registry_.WriteRegistryValue(Hive::Machine, kSettingsKeyPath, QString::fromLatin1(name), value);
  };
  machine("WebService_URL", settings.WebServiceURL);
  machine("WebService_Timeout", QString::number(settings.WebServiceTimeout));
  machine("MicrosoftWSE", settings.SupportPackage);
  machine("WSE_Installed", BooleanText(settings.SupportPackageInstalled));
  machine("Kofax", BooleanText(settings.Kofax));
  machine("Scanner", settings.Scanner);
  machine("LastLogin", settings.LastLogin);
  if (!settings.WebServiceCAFile.isEmpty()) machine("WebService_CAFile", settings.WebServiceCAFile);
  if (!settings.WebServiceInsecureURL.isEmpty()) machine("WebService_Insecure", settings.WebServiceInsecureURL);

  // A window that was minimised or off screen (or never stored) leaves the per-user values as
  // they are. The edges are summed in 32 bits: two 16-bit values may not fit 16 bits together.
  const qint32 right = qint32{settings.MainFormLeft} + settings.MainFormWidth;
  const qint32 bottom = qint32{settings.MainFormTop} + settings.MainFormHeight;
  if (right < 1 || bottom < 1) return 0;

  for (const UserValue& entry : kUserValues) {
    QString value;
    if (entry.small) {
      value = QString::number(settings.*entry.small);
    } else if (entry.whole) {
      value = QString::number(settings.*entry.whole);
    } else {
      value = settings.*entry.text;
    }
    registry_.WriteRegistryValue(Hive::User, kSettingsKeyPath, QString::fromLatin1(entry.name), value);
  }
  return 0;
}

void SettingsStore::MarkSupportPackageInstalled() {
  registry_.WriteRegistryValue(Hive::Machine, kSettingsKeyPath, QStringLiteral("WSE_Installed"), BooleanText(true));
}

QString SettingsStore::UnsavedMachineSettings(const AppSettings& settings) {
  const std::pair<const char*, QString> written[] = {{"WebService_URL", settings.WebServiceURL},
                                                     {"WebService_Timeout", QString::number(settings.WebServiceTimeout)},
                                                     {"Kofax", BooleanText(settings.Kofax)}};
  for (const auto& [name, value] : written) {
    QString stored;
    if (registry_.ReadRegistryValue(Hive::Machine, kSettingsKeyPath, QString::fromLatin1(name), stored) != 0 ||
        stored != value) {
      const QString location = registry_.HiveLocation(Hive::Machine);
      return location.isEmpty() ? QStringLiteral("The machine-wide settings could not be written.")
                                : QStringLiteral("The settings file %1 could not be written.").arg(location);
    }
  }
  return {};
}

ServiceOptions ServiceOptionsFor(const AppSettings& settings, CallWaiter* waiter) {
  ServiceOptions options;
  options.timeoutSeconds = settings.WebServiceTimeout > 0 ? settings.WebServiceTimeout : 0;
  options.caFile = settings.WebServiceCAFile;
  options.acceptedInsecureUrl = settings.WebServiceInsecureURL;
  options.waiter = waiter;
  return options;
}

ServiceOptions StoredServiceOptions(Registry& registry) {
  AppSettings settings;
  QString value;
  const auto read = [&](const char* name) {
    value.clear();
    return registry.ReadRegistryValue(Hive::Machine, kSettingsKeyPath, QString::fromLatin1(name), value) == 0;
  };
  if (read("WebService_Timeout")) settings.WebServiceTimeout = WholeNumber<qint16>(value).value_or(kDefaultTimeout);
  if (read("WebService_CAFile")) settings.WebServiceCAFile = value.trimmed();
  if (read("WebService_Insecure")) settings.WebServiceInsecureURL = value.trimmed();
  return ServiceOptionsFor(settings, nullptr);
}

}  // namespace pyxa
