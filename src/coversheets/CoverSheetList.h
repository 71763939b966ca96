// The patients of a list of cover sheets (a day's clinic list, say): chosen one by one or read from
// a clinic list file, each patient once, in the order the sheets are printed.
#pragma once

#include "coversheets/CoverSheetPages.h"
#include "patients/SearchCriteria.h"
#include "shell/Session.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace pyxa {

// Limits of a clinic list file: a day's list is far smaller, and each chart is a service call.
inline constexpr qint64 kClinicListMaxBytes = 256 * 1024;
inline constexpr int kClinicListMaxCharts = 1000;

// A chart number of a clinic list and the line (from 1) it is on.
struct ListedChart {
  int line = 0;
  QString chart;
  bool operator==(const ListedChart&) const = default;
};

struct ClinicListText {
  std::vector<ListedChart> charts;
  QString error;  // why the text is not a clinic list (also when no line has a chart); no charts then
};

// Reads a clinic list: one patient a line, the chart number alone or first of comma-, semicolon-
// or tab-separated fields, quotes and blanks around it dropped. Blank lines are skipped, and so is
// a first line whose first field has no digit (a header); a line whose first field is empty is
// kept with an empty chart, to be reported. UTF-8, UTF-16 with a byte-order mark or
// Latin-1 (a spreadsheet's export); control characters mean the file is not text. name: the
// file's name as the messages give it.
ClinicListText ReadClinicList(const QByteArray& bytes, const QString& name);

// A line of an imported list that was left out, and why.
struct LeftOutLine {
  int line = 0;
  QString chart;
  QString why;
};

struct ListImport {
  QString error;  // the file could not be used: the list is unchanged
  int added = 0;
  std::vector<LeftOutLine> leftOut;
};

class CoverSheetList {
 public:
  const std::vector<ChosenPatient>& Patients() const { return patients_; }
  int Count() const { return static_cast<int>(patients_.size()); }
  bool Contains(const QString& patientId) const;

  // Adds at the end; false (nothing added) when the patient is listed already or has no
  // identifier the sheet's code can hold.
  bool Add(const ChosenPatient& patient);
  void Remove(int index);
  // Moves the patient at from to to; false when either is out of range.
  bool Move(int from, int to);

  // Reads the clinic list file and looks each chart up with the service. A chart matching no
  // patient or several is left out and reported, never guessed. The list changes only when every
  // line was looked up: a ServiceError leaves it as it was and is passed on.
  ListImport Import(const QString& path, Session& session, bool country2);

  // One sheet for each patient, in the list's order; the sheets name only the patient.
  CoverSheetPages Pages(bool country2) const;

 private:
  std::vector<ChosenPatient> patients_;
};

}  // namespace pyxa
