#include "coversheets/CoverRecord.h"

#include <QByteArray>
#include <QStringList>
#include <QUrl>

namespace pyxa {

namespace {

const QString kCoverPrefix = QStringLiteral("PYXA-COVER ");
const QString kSeparatorPrefix = QStringLiteral("PYXA-SEP ");
const QString kVersion = QStringLiteral("1");

QString Checksum(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return QStringLiteral("%1").arg(qChecksum(QByteArrayView(bytes), Qt::ChecksumIso3309), 4, 16, QLatin1Char('0'));
}

CoverReading Damaged(const QString& problem) { return {CoverReading::Status::Damaged, {}, problem}; }

}  // namespace

QString EncodeCoverRecord(const CoverRecord& record) {
  QString text;
  if (record.kind == CoverRecord::Kind::Separator) {
    text = kSeparatorPrefix + kVersion;
  } else {
    text = kCoverPrefix + kVersion + QStringLiteral(";P=%1").arg(record.patientId);
    // Letters, digits and the name's own punctuation stay readable; ';', '=' and '%' never appear bare.
    text += QStringLiteral(";N=") + QString::fromLatin1(QUrl::toPercentEncoding(record.name, " ,.'-"));
    if (record.birth.isValid()) text += QStringLiteral(";B=") + record.birth.toString(QStringLiteral("yyyyMMdd"));
    if (record.categoryId >= 0) text += QStringLiteral(";C=%1").arg(record.categoryId);
    if (record.typeId >= 0) text += QStringLiteral(";T=%1").arg(record.typeId);
    if (record.providerId >= 0) text += QStringLiteral(";D=%1").arg(record.providerId);
  }
  return text + QStringLiteral(";X=") + Checksum(text);
}

CoverReading ReadCoverRecord(const QString& text) {
  const bool cover = text.startsWith(kCoverPrefix);
  if (!cover && !text.startsWith(kSeparatorPrefix)) return {};
  const qsizetype mark = text.lastIndexOf(QStringLiteral(";X="));
  if (mark < 0) return Damaged(QStringLiteral("the sheet's code has no checksum"));
  const QString body = text.left(mark);
  if (text.mid(mark + 3).toLower() != Checksum(body)) return Damaged(QStringLiteral("the sheet's code does not add up"));
  QStringList fields = body.mid((cover ? kCoverPrefix : kSeparatorPrefix).size()).split(QLatin1Char(';'));
  if (fields.takeFirst() != kVersion)
    return Damaged(QStringLiteral("the sheet was printed by a version of the program that this one does not know"));
  CoverReading reading;
  reading.status = CoverReading::Status::Read;
  reading.record.kind = cover ? CoverRecord::Kind::Cover : CoverRecord::Kind::Separator;
  const auto unreadable = [] { return Damaged(QStringLiteral("the sheet's code holds a field this program cannot read")); };
  // A separator's code holds no fields: its record could not keep them, and a separator would
  // silently stand for a sheet it is not.
  if (!cover && !fields.isEmpty()) return unreadable();
  bool named = false;
  for (const QString& field : fields) {
    if (field.startsWith(QStringLiteral("N=")) && cover) {
      reading.record.name = QUrl::fromPercentEncoding(field.mid(2).toLatin1()).trimmed();
      named = true;
      continue;
    }
    if (field.startsWith(QStringLiteral("B=")) && cover) {
      reading.record.birth = QDate::fromString(field.mid(2), QStringLiteral("yyyyMMdd"));
      if (!reading.record.birth.isValid()) return unreadable();
      continue;
    }
    bool number = false;
    const qint64 value = field.mid(2).toLongLong(&number);
    if (field.size() < 3 || field.at(1) != QLatin1Char('=') || !number || value < 0) return unreadable();
    switch (field.at(0).unicode()) {
      case 'P': reading.record.patientId = value; break;
      case 'C': reading.record.categoryId = value; break;
      case 'T': reading.record.typeId = value; break;
      case 'D': reading.record.providerId = value; break;
      default: return unreadable();
    }
  }
  if (cover && (reading.record.patientId <= 0 || !named || reading.record.name.isEmpty()))
    return Damaged(QStringLiteral("the cover sheet names no patient"));
  return reading;
}

}  // namespace pyxa
