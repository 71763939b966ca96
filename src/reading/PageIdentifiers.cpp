#include "reading/PageIdentifiers.h"

#include <QRegularExpression>
#include <algorithm>

namespace pyxa {
namespace {

struct LabelAt {
  int start = 0;      // where the label begins
  int valueAt = 0;    // where its value begins
  IdentifierKind kind = IdentifierKind::PatientName;
  QString word;       // the label as the rules spell it
};

bool IsWordChar(QChar c) { return c.isLetterOrNumber(); }

// Where the column of the text at `at` continues on the next line: the start of the segment (text
// between gaps of two spaces or more) with the same index, or -1.
int BelowInColumn(const QString& text, int at) {
  static const QRegularExpression gap(QStringLiteral(" {2,}"));
  const int lineStart = static_cast<int>(text.lastIndexOf(QLatin1Char('\n'), at)) + 1;
  int column = 0;  // gaps before the heading on its line, each counted once however wide
  for (auto m = gap.globalMatch(text.mid(lineStart, at - lineStart)); m.hasNext(); m.next()) ++column;
  const int lineEnd = static_cast<int>(text.indexOf(QLatin1Char('\n'), at));
  if (lineEnd < 0) return -1;
  const int nextEnd = static_cast<int>(text.indexOf(QLatin1Char('\n'), lineEnd + 1));
  const QString next = text.mid(lineEnd + 1, (nextEnd < 0 ? text.size() : nextEnd) - lineEnd - 1);
  int segment = 0;
  int position = 0;
  while (position < next.size() && next.at(position) == QLatin1Char(' ')) ++position;
  for (auto m = gap.globalMatch(next); m.hasNext() && segment < column;) {
    const auto match = m.next();
    if (match.capturedStart() < position) continue;
    position = static_cast<int>(match.capturedEnd());
    ++segment;
  }
  if (segment < column || position >= next.size()) return -1;
  return lineEnd + 1 + position;
}

// A form's labels read as a column of their own ("Patient:", "Admission date:" on lines of their
// own), their values as the next column, after a heading at most: the start of the value of the
// label at `at`, or -1.
int FormValueAt(const QString& text, int at) {
  QVector<int> starts{0};
  for (int i = 0; i < text.size(); ++i) {
    if (text.at(i) == QLatin1Char('\n')) starts << i + 1;
  }
  const auto line = [&](int n) {
    const int end = n + 1 < starts.size() ? starts.at(n + 1) - 1 : static_cast<int>(text.size());
    return text.mid(starts.at(n), end - starts.at(n)).trimmed();
  };
  static const QRegularExpression labelled(QStringLiteral("^[\\p{L}][\\p{L} .'/-]{0,30}:"));
  const auto labelOnly = [&](int n) {
    return n >= 0 && n < starts.size() && line(n).endsWith(QLatin1Char(':')) && labelled.match(line(n)).hasMatch();
  };
  static const QRegularExpression heading(QStringLiteral("^[\\p{Lu} '&.-]+$"));
  const int own = static_cast<int>(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin()) - 1;
  if (!labelOnly(own)) return -1;
  int first = own, last = own;
  while (labelOnly(first - 1)) --first;
  while (labelOnly(last + 1)) ++last;
  const int count = last - first + 1;
  if (count < 2) return -1;
  int values = last + 1;
  for (int skipped = 0; skipped < 2 && values < starts.size() && heading.match(line(values)).hasMatch(); ++skipped) {
    ++values;
  }
  if (values + count > starts.size()) return -1;
  for (int n = values; n < values + count; ++n) {
    if (line(n).isEmpty() || labelled.match(line(n)).hasMatch()) return -1;
  }
  const int value = values + own - first;
  int position = starts.at(value);
  while (position < text.size() && text.at(position) == QLatin1Char(' ')) ++position;
  return position;
}

// Every label in the text, in order; a short label ("ID", "Re", "Nom") counts only when a colon or
// "#" follows, since as a plain word it means something else.
QVector<LabelAt> FindLabels(const QString& text, const CountryRules& rules) {
  const QString lower = text.toLower();
  QVector<LabelAt> found;
  for (int at = 0; at < lower.size(); ++at) {
    if (at > 0 && IsWordChar(lower.at(at - 1))) continue;
    const LabelWords* bestKind = nullptr;
    QString best;
    for (const LabelWords& label : rules.labels) {
      for (const QString& word : label.words) {
        if (word.size() > best.size() && lower.mid(at, word.size()) == word) {
          const int after = at + static_cast<int>(word.size());
          if (after < lower.size() && IsWordChar(lower.at(after)) && IsWordChar(word.back())) continue;
          bestKind = &label;
          best = word;
        }
      }
    }
    if (!bestKind) continue;
    const int labelEnd = at + static_cast<int>(best.size());
    // A heading over its column ("PATIENT", a column gap or the line's end after it) has its value on
    // the next line, in the same column.
    const QString rest = text.mid(labelEnd, 2);
    if (best.size() > 3 && (rest.isEmpty() || rest.startsWith(QLatin1Char('\n')) || rest == QStringLiteral("  "))) {
      if (const int below = BelowInColumn(text, at); below >= 0) found.append({at, below, bestKind->kind, best});
      at = labelEnd - 1;
      continue;
    }
    int value = labelEnd;
    while (value < text.size() && (text.at(value) == QLatin1Char(' ') || text.at(value) == QLatin1Char('.'))) ++value;
    const bool marked = value < text.size() && (text.at(value) == QLatin1Char(':') || text.at(value) == QLatin1Char('#'));
    // "DOB 1962-07-29" in a running header: a date after it marks the label as well as a colon.
    const bool dated = bestKind->kind == IdentifierKind::DateOfBirth &&
                       ReadPrintedDate(text.mid(value, 20), rules.dayFirst).isValid();
    if (best.size() <= 3 && !marked && !dated) continue;
    while (value < text.size() && (text.at(value) == QLatin1Char(':') || text.at(value) == QLatin1Char('#') ||
                                   text.at(value) == QLatin1Char(' '))) {
      ++value;
    }
    found.append({at, value, bestKind->kind, best});
    at = value - 1;
  }
  return found;
}

// The value after a label: to the end of its line, the next label, or a gap of two spaces.
QString ValueText(const QString& text, int from, int nextLabel) {
  int end = from;
  while (end < text.size() && end < nextLabel && text.at(end) != QLatin1Char('\n')) {
    if (text.mid(end, 2) == QStringLiteral("  ")) break;
    ++end;
  }
  return text.mid(from, end - from).trimmed();
}

QString CardCharacters(const QString& value) {
  QString card;
  for (const QChar c : value) {
    if (c.isLetterOrNumber()) {
      card += c.toUpper();
    } else if (c != QLatin1Char(' ') && c != QLatin1Char('-')) {
      break;
    }
  }
  return card;
}

bool HasShape(const HealthCardFormat& format, const QString& number) {
  if (number.size() != format.letters + format.digits) return false;
  for (int i = 0; i < number.size(); ++i) {
    if (i < format.letters ? !number.at(i).isLetter() : !number.at(i).isDigit()) return false;
  }
  return format.firstDigits.isEmpty() || format.firstDigits.contains(number.at(format.letters));
}

// The region whose format the number has: checked when that region's check holds, else the first
// region of its shape, unchecked.
bool ReadHealthCard(const QString& number, const CountryRules& rules, PageIdentifier& card) {
  const HealthCardFormat* shaped = nullptr;
  for (const HealthCardFormat& format : rules.healthCards) {
    if (!HasShape(format, number)) continue;
    if (PassesCheck(format, number)) {
      card.region = format.region;
      card.checked = true;
      return true;
    }
    if (!shaped) shaped = &format;
  }
  if (!shaped) return false;
  card.region = shaped->region;
  card.checked = false;
  return true;
}

bool ReadName(QString value, PageIdentifier& name) {
  // A name ends where a bracket or a dash of a running header begins ("Jane Doe (DOB ...) - page 2").
  static const QRegularExpression after(QStringLiteral("\\s*(\\(|\\s[-–]\\s).*$"));
  value.remove(after);
  static const QRegularExpression bad(QStringLiteral("[0-9@/]"));
  if (value.isEmpty() || value.contains(bad)) return false;
  if (const int comma = static_cast<int>(value.indexOf(QLatin1Char(','))); comma > 0) {
    name.lastName = value.left(comma).trimmed();
    name.firstName = value.mid(comma + 1).trimmed().section(QLatin1Char(' '), 0, 0);
  } else {
    const QStringList words = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 2 || words.size() > 4) return false;
    name.firstName = words.first();
    name.lastName = words.last();
  }
  name.value = value;
  return !name.lastName.isEmpty() && !name.firstName.isEmpty();
}

// A hospital's address label prints the patient's name alone, in capitals, on the line above the
// date of birth or the card: "BOUCHARD, GENEVIEVE". Taken only from that line and in that form.
bool LabelName(const QString& text, const QVector<PageIdentifier>& found, PageIdentifier& name) {
  static const QRegularExpression listed(QStringLiteral("^\\s*(\\p{Lu}[\\p{Lu}'’ -]+\\p{Lu}),\\s*(\\p{Lu}[\\p{Lu}'’-]+)"
                                                        "(?:\\s+\\p{Lu}\\.?)?\\s*$"));
  for (const PageIdentifier& anchor : found) {
    if (anchor.kind != IdentifierKind::DateOfBirth && anchor.kind != IdentifierKind::HealthCard) continue;
    const int lineStart = static_cast<int>(text.lastIndexOf(QLatin1Char('\n'), anchor.start)) + 1;
    if (lineStart < 2) continue;
    const int above = static_cast<int>(text.lastIndexOf(QLatin1Char('\n'), lineStart - 2)) + 1;
    const QString line = text.mid(above, lineStart - 1 - above);
    const auto m = listed.match(line);
    if (!m.hasMatch()) continue;
    name.kind = IdentifierKind::PatientName;
    name.lastName = m.captured(1).trimmed();
    name.firstName = m.captured(2);
    name.value = m.captured(0).trimmed();
    name.start = above + static_cast<int>(m.capturedStart(1));
    name.length = static_cast<int>(m.capturedEnd(2) - m.capturedStart(1));
    return true;
  }
  return false;
}

int MonthNumber(const QString& word) {
  static const QStringList english = {QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"),
                                      QStringLiteral("apr"), QStringLiteral("may"), QStringLiteral("jun"),
                                      QStringLiteral("jul"), QStringLiteral("aug"), QStringLiteral("sep"),
                                      QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
  static const QStringList french = {QStringLiteral("janv"), QStringLiteral("févr"), QStringLiteral("mars"),
                                     QStringLiteral("avr"), QStringLiteral("mai"), QStringLiteral("juin"),
                                     QStringLiteral("juil"), QStringLiteral("août"), QStringLiteral("sept"),
                                     QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("déc")};
  const QString lower = word.toLower();
  for (int i = 0; i < 12; ++i) {
    if (lower.startsWith(french.at(i)) || lower.startsWith(english.at(i))) return i + 1;
  }
  return 0;
}

}  // namespace

QDate ReadPrintedDate(const QString& text, bool dayFirst) {
  static const QRegularExpression iso(QStringLiteral("^\\s*(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})\\b"));
  static const QRegularExpression numeric(QStringLiteral("^\\s*(\\d{1,2})[-/.](\\d{1,2})[-/.](\\d{4})\\b"));
  static const QRegularExpression monthFirst(QStringLiteral("^\\s*(\\p{L}{3,9})\\.?\\s+(\\d{1,2}),?\\s+(\\d{4})\\b"));
  static const QRegularExpression dayThenMonth(
      QStringLiteral("^\\s*(\\d{1,2})(?:er)?[-\\s](\\p{L}{3,9})\\.?[-\\s](\\d{4})\\b"));
  if (const auto m = iso.match(text); m.hasMatch()) {
    return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  }
  if (const auto m = numeric.match(text); m.hasMatch()) {
    const int first = m.captured(1).toInt();
    const int second = m.captured(2).toInt();
    return dayFirst ? QDate(m.captured(3).toInt(), second, first) : QDate(m.captured(3).toInt(), first, second);
  }
  if (const auto m = monthFirst.match(text); m.hasMatch() && MonthNumber(m.captured(1))) {
    return QDate(m.captured(3).toInt(), MonthNumber(m.captured(1)), m.captured(2).toInt());
  }
  if (const auto m = dayThenMonth.match(text); m.hasMatch() && MonthNumber(m.captured(2))) {
    return QDate(m.captured(3).toInt(), MonthNumber(m.captured(2)), m.captured(1).toInt());
  }
  return {};
}

QVector<PageIdentifier> FindIdentifiers(const QString& text, const CountryRules& rules) {
  QVector<PageIdentifier> found;
  const QVector<LabelAt> labels = FindLabels(text, rules);
  for (int i = 0; i < labels.size(); ++i) {
    const LabelAt& label = labels.at(i);
    // The next label after this one's value: a heading's value lies beyond the labels of its own line.
    int next = static_cast<int>(text.size());
    for (const LabelAt& other : labels) {
      if (other.start >= label.valueAt) next = std::min(next, other.start);
    }
    int valueAt = label.valueAt;
    QString value = ValueText(text, valueAt, next);
    if (value.isEmpty()) {
      valueAt = FormValueAt(text, label.start);
      if (valueAt < 0) continue;
      value = ValueText(text, valueAt, static_cast<int>(text.size()));
    }
    PageIdentifier identifier;
    identifier.kind = label.kind;
    identifier.label = label.word;
    identifier.start = valueAt;
    identifier.length = static_cast<int>(value.size());
    switch (label.kind) {
      case IdentifierKind::HealthCard: {
        const QString number = CardCharacters(value);
        if (!ReadHealthCard(number, rules, identifier)) continue;
        identifier.value = number;
        break;
      }
      case IdentifierKind::Chart: {
        identifier.value = value.section(QLatin1Char(' '), 0, 0);
        if (identifier.value.size() < 3) continue;
        identifier.length = static_cast<int>(identifier.value.size());
        break;
      }
      case IdentifierKind::DateOfBirth:
      case IdentifierKind::ReportDate: {
        identifier.date = ReadPrintedDate(value, rules.dayFirst);
        if (!identifier.date.isValid()) continue;
        identifier.value = identifier.date.toString(Qt::ISODate);
        break;
      }
      case IdentifierKind::PatientName: {
        if (!ReadName(value, identifier)) continue;
        identifier.length = static_cast<int>(identifier.value.size());
        break;
      }
    }
    found.append(identifier);
  }
  if (std::none_of(found.begin(), found.end(), [](const PageIdentifier& f) { return f.kind == IdentifierKind::PatientName; })) {
    if (PageIdentifier name; LabelName(text, found, name)) found.append(name);
  }

  // A card number without its label still counts when a region's check holds for it: a random run
  // of digits passes one check in ten, so unlabelled numbers without a check are left out.
  static const QRegularExpression standalone(QStringLiteral("(?<![\\w-])(\\d{4}[ -]?\\d{3}[ -]?\\d{3})(?![\\w-])"));
  for (auto m = standalone.globalMatch(text); m.hasNext();) {
    const auto match = m.next();
    const int start = static_cast<int>(match.capturedStart(1));
    const bool labelled = std::any_of(found.begin(), found.end(), [&](const PageIdentifier& known) {
      return start >= known.start && start < known.start + known.length;
    });
    if (labelled) continue;
    PageIdentifier card;
    card.kind = IdentifierKind::HealthCard;
    card.value = CardCharacters(match.captured(1));
    card.start = start;
    card.length = static_cast<int>(match.capturedLength(1));
    if (ReadHealthCard(card.value, rules, card) && card.checked) found.append(card);
  }
  return found;
}

}  // namespace pyxa
