// Loads the settings record from the two registry hives (creating the working folders on the
// way) and writes it back, in the fixed orders and with the defaults other installations expect.
#pragma once

#include <QString>
#include <cstdint>

#include "platform/Registry.h"
#include "components/ServiceFactory.h"
#include "shell/AppSettings.h"

namespace pyxa {

class SettingsStore {
 public:
  // programFolder holds the program and its support files; dataFolder holds the working folders
  // "Available Files/" and "Uploads/" (the same folder in the portable layout). A missing
  // trailing "/" is added to either (an empty folder stays empty).
  SettingsStore(Registry& registry, QString programFolder, QString dataFolder);

  const QString& ProgramFolder() const { return programFolder_; }
  const QString& DataFolder() const { return dataFolder_; }

  // Fills settings from the hives and makes sure both working folders exist. Returns 0, or a
  // system error code (-1 for a folder that cannot be created) with errorText set; a missing
  // "MicrosoftWSE" value is such a failure. Values found missing or unreadable are created
  // empty as the settings rules say ("60" for the time-out).
  std::int32_t LoadSettings(AppSettings& settings, QString& errorText);

  // After LoadSettings: a message naming the per-user settings file and why it could not be read
  // (damaged, or not a file); empty when it was read or is not there yet. The per-user values then
  // keep their defaults and changes to them cannot be kept, which the user must hear of.
  const QString& UserSettingsProblem() const { return userSettingsProblem_; }

  // Writes the machine-wide values and, for a window geometry that was on screen, the per-user
  // values. Registry writes do not report failures, so this returns 0.
  std::int32_t SaveSettings(const AppSettings& settings, QString& errorText);
  // After SaveSettings: "" when the machine-wide values read back as written; otherwise which settings
  // file kept the old ones (registry writes never report their failures, but a user saving
  // preferences must hear of one).
  QString UnsavedMachineSettings(const AppSettings& settings);

  // Records under the machine key that the support package has been installed; the caller
  // sets SupportPackageInstalled in its record.
  void MarkSupportPackageInstalled();

 private:
  std::int32_t EnsureWorkingFolder(const QString& folder, QString& errorText);
  std::int32_t LoadMachineValues(AppSettings& settings, QString& errorText);
  void LoadUserValues(AppSettings& settings);

  Registry& registry_;
  QString programFolder_;
  QString dataFolder_;
  QString userSettingsProblem_;
};

// How session objects reach the configured clinic: the settings' time-out, certificate file and
// accepted insecure address, and the window's waiter (none for a program without windows).
ServiceOptions ServiceOptionsFor(const AppSettings& settings, CallWaiter* waiter);
// The same read straight from the machine hive, writing nothing: for a program without windows.
ServiceOptions StoredServiceOptions(Registry& registry);

}  // namespace pyxa
