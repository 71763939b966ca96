#include "coversheets/CoverSheetList.h"

#include "coversheets/PatientSheet.h"
#include "patients/PatientSearch.h"

#include <QFile>
#include <QFileInfo>
#include <QStringConverter>
#include <QStringDecoder>
#include <algorithm>

namespace pyxa {

namespace {

// A chart longer than this is not a chart number but a stray line of text.
constexpr int kMaxChartLength = 40;

QString DecodeText(const QByteArray& bytes) {
  // A byte-order mark names the encoding; without one, UTF-8 unless the bytes cannot be UTF-8.
  if (const auto bom = QStringConverter::encodingForData(bytes)) {
    QStringDecoder decoder(*bom);
    return decoder.decode(bytes);
  }
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8.decode(bytes);
  return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

bool HasControlCharacters(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) {
    const char16_t u = c.unicode();
    return (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r' && u != u'\f') || u == 0x7f;
  });
}

// The first field of a line: up to the first separator, or the quoted text when it starts with a
// quote (a doubled quote inside stands for one).
QString FirstField(const QString& line) {
  const QString text = line.trimmed();
  if (!text.startsWith(QLatin1Char('"'))) {
    qsizetype end = text.size();
    for (const QChar separator : {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')}) {
      const qsizetype at = text.indexOf(separator);
      if (at >= 0) end = std::min(end, at);
    }
    return text.left(end).trimmed();
  }
  QString field;
  for (qsizetype i = 1; i < text.size(); ++i) {
    if (text[i] != QLatin1Char('"')) {
      field += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
      field += QLatin1Char('"');
      ++i;
    } else {
      break;
    }
  }
  return field.trimmed();
}

bool HasDigit(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

}  // namespace

ClinicListText ReadClinicList(const QByteArray& bytes, const QString& name) {
  ClinicListText result;
  if (bytes.size() > kClinicListMaxBytes) {
    result.error = QStringLiteral("The file '%1' is too large for a clinic list (more than %2 KB).")
                       .arg(name)
                       .arg(kClinicListMaxBytes / 1024);
    return result;
  }
  const QString text = DecodeText(bytes);
  if (HasControlCharacters(text)) {
    result.error = QStringLiteral("The file '%1' is not a text file: a clinic list has one chart number a line.")
                       .arg(name);
    return result;
  }
  const QStringList lines = text.split(QLatin1Char('\n'));
  bool first = true;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString chart = FirstField(lines[i]);
    const bool blank = lines[i].trimmed().isEmpty();
    if (blank) continue;
    const bool header = first && !HasDigit(chart);
    first = false;
    if (header) continue;
    if (static_cast<int>(result.charts.size()) == kClinicListMaxCharts) {
      result.charts.clear();
      result.error = QStringLiteral("The file '%1' lists more than %2 patients; a list prints at most %2 cover sheets.")
                         .arg(name)
                         .arg(kClinicListMaxCharts);
      return result;
    }
    result.charts.push_back({static_cast<int>(i + 1), chart});
  }
  const bool none = std::all_of(result.charts.begin(), result.charts.end(),
                                [](const ListedChart& listed) { return listed.chart.isEmpty(); });
  if (none) {
    result.charts.clear();
    result.error = QStringLiteral("The file '%1' lists no chart numbers.").arg(name);
  }
  return result;
}

bool CoverSheetList::Contains(const QString& patientId) const {
  return std::any_of(patients_.begin(), patients_.end(),
                     [&](const ChosenPatient& p) { return p.patientId == patientId; });
}

bool CoverSheetList::Add(const ChosenPatient& patient) {
  // The sheet's code holds the identifier as a number: without one the sheet would name no one.
  bool number = false;
  const qint64 id = patient.patientId.toLongLong(&number);
  if (!number || id <= 0 || Contains(patient.patientId)) return false;
  patients_.push_back(patient);
  return true;
}

void CoverSheetList::Remove(int index) {
  if (index < 0 || index >= Count()) return;
  patients_.erase(patients_.begin() + index);
}

bool CoverSheetList::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count()) return false;
  const ChosenPatient moving = patients_[static_cast<size_t>(from)];
  patients_.erase(patients_.begin() + from);
  patients_.insert(patients_.begin() + to, moving);
  return true;
}

ListImport CoverSheetList::Import(const QString& path, Session& session, bool country2) {
  ListImport result;
  const QString name = QFileInfo(path).fileName();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    result.error = QStringLiteral("The file '%1' could not be read: %2").arg(name, file.errorString());
    return result;
  }
  // One byte past the limit is enough to know the file is too large, without reading all of it.
  const QByteArray bytes = file.read(kClinicListMaxBytes + 1);
  if (file.error() != QFileDevice::NoError) {
    result.error = QStringLiteral("The file '%1' could not be read: %2").arg(name, file.errorString());
    return result;
  }
  const ClinicListText list = ReadClinicList(bytes, name);
  if (!list.error.isEmpty()) {
    result.error = list.error;
    return result;
  }
  // Looked up into a copy, so that a failing service leaves the list as the user had it.
  CoverSheetList updated = *this;
  for (const ListedChart& listed : list.charts) {
    if (listed.chart.isEmpty()) {
      result.leftOut.push_back({listed.line, {}, QStringLiteral("no chart number first on the line")});
      continue;
    }
    if (listed.chart.size() > kMaxChartLength) {
      result.leftOut.push_back({listed.line, listed.chart.left(kMaxChartLength) + QStringLiteral("..."),
                                QStringLiteral("not a chart number")});
      continue;
    }
    SearchCriteria criteria;
    criteria.chart = listed.chart;
    const PatientResults found = FindPatient(session, criteria, country2);
    // Only the rows with this very chart count: a service that matches more loosely must not
    // put another patient's sheet on the list.
    std::vector<int> rows;
    for (int row = 0; row < found.Count(); ++row) {
      if (found.Field(row, QStringLiteral("szChartNum")).trimmed().compare(listed.chart, Qt::CaseInsensitive) == 0)
        rows.push_back(row);
    }
    if (rows.empty()) {
      result.leftOut.push_back({listed.line, listed.chart, QStringLiteral("no patient has this chart number")});
      continue;
    }
    if (rows.size() > 1) {
      result.leftOut.push_back({listed.line, listed.chart,
                                QStringLiteral("%1 patients have this chart number").arg(rows.size())});
      continue;
    }
    const ChosenPatient patient = PatientFromRow(found, rows.front(), country2);
    if (updated.Contains(patient.patientId)) {
      result.leftOut.push_back({listed.line, listed.chart, QStringLiteral("already in the list")});
    } else if (updated.Add(patient)) {
      ++result.added;
    } else {
      result.leftOut.push_back({listed.line, listed.chart, QStringLiteral("the service gave no patient identifier")});
    }
  }
  *this = std::move(updated);
  return result;
}

CoverSheetPages CoverSheetList::Pages(bool country2) const {
  CoverSheetPages pages;
  for (const ChosenPatient& patient : patients_) {
    const PatientSheet sheet = SheetForPatient(patient, country2);
    pages.Add(sheet.record, sheet.text);
  }
  return pages;
}

}  // namespace pyxa
