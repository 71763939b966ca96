// What a cover or separator sheet's code holds: a versioned, checksummed record naming the patient
// and, when chosen, the category, type and provider of the pages behind it. A separator names no
// one and only splits. Codes of other programs, and ours damaged, are told apart from a record.
#pragma once

#include <QDate>
#include <QString>
#include <QtGlobal>

namespace pyxa {

struct CoverRecord {
  enum class Kind { Cover, Separator };
  Kind kind = Kind::Cover;
  qint64 patientId = 0;  // a cover's patient; 0 on a separator
  qint64 categoryId = -1;  // -1: not chosen (0 is a category of its own)
  qint64 typeId = -1;
  qint64 providerId = -1;
  // The name ("LAST, First") and date of birth the sheet was printed for: the service's patient must
  // still have them, so that a sheet printed for the wrong patient is caught. No date when unknown.
  QString name = {};
  QDate birth = {};
  bool operator==(const CoverRecord&) const = default;
};

// The text of the record's code: "PYXA-COVER 1;P=...;N=...;B=yyyyMMdd;C=...;T=...;D=...;X=hhhh" or
// "PYXA-SEP 1;X=hhhh", N percent-encoded UTF-8, X a CRC-16 of everything before it.
QString EncodeCoverRecord(const CoverRecord& record);

struct CoverReading {
  enum class Status {
    NotOurs,  // another program's code: the page is an ordinary page
    Damaged,  // ours, but its checksum, version or fields do not hold: the clerk is told
    Read,
  };
  Status status = Status::NotOurs;
  CoverRecord record;
  QString problem;  // why a damaged record was refused
};

CoverReading ReadCoverRecord(const QString& text);

// The linear code every sheet also carries across its middle: it says "a sheet of ours is here" when its
// record's code cannot be read, so that the clerk can be told.
inline const QString kSheetMarker = QStringLiteral("PYXA");  // short, so that its bars stay wide

}  // namespace pyxa
