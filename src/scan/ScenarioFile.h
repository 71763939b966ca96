// A page scenario INI file ("PS" + scenario + ".ini"): sections of "key=value" lines, read forgivingly
// (a line that is not a section, a value or a comment is skipped and named) and written whole beside
// the old file and renamed over it, so a failed write leaves the old scenario as it was.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace pyxa {

using IniEntries = QList<std::pair<QString, QString>>;

struct IniSection {
  QString name;
  IniEntries entries;  // in file order
};

struct ScenarioFileRead {
  bool found = false;       // the file exists and could be read
  QList<IniSection> sections;
  QStringList problems;     // lines that could not be read, for the user
  // The entries of a section (names compared ignoring case); empty when it is missing.
  IniEntries Section(const QString& name) const;
  bool HasSection(const QString& name) const;
};

ScenarioFileRead ReadScenarioFile(const QString& path);

// Writes the sections as the whole file; 0 or the system error.
int WriteScenarioFile(const QString& path, const QList<IniSection>& sections);

// The INI file of a scenario in the program folder (which ends with "/").
QString ScenarioFilePath(const QString& programFolder, const QString& scenario);

}  // namespace pyxa
