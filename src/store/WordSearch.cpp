#include "store/WordSearch.h"

#include <QRegularExpression>
#include <algorithm>

#include "platform/Sql.h"

namespace pyxa {
namespace {

const char* const kFold = "pyxa_fold";

QString Fold(const QString& text) { return text.toCaseFolded(); }

bool IsAscii(const QString& word) {
  return std::all_of(word.cbegin(), word.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

// A folded word as a LIKE pattern that every text holding it matches unfolded: each letter that
// folding may have changed (any beyond ASCII, and "k" and "s", which the Kelvin sign and the long s
// fold to) stands for any one character. Simple folding keeps one character for one, so the
// places line up.
QString Outline(const QString& folded) {
  QString pattern;
  for (const char32_t c : folded.toUcs4()) {
    if (c >= 0x80 || c == U'k' || c == U's') {
      pattern += QLatin1Char('_');
    } else {
      pattern += EscapeLike(QString(QChar(static_cast<char16_t>(c))));
    }
  }
  return pattern;
}

}  // namespace

QString EscapeLike(const QString& text) {
  QString escaped = text;
  escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  escaped.replace(QLatin1Char('%'), QStringLiteral("\\%"));
  escaped.replace(QLatin1Char('_'), QStringLiteral("\\_"));
  return escaped;
}

WordSearch::WordSearch(const QString& typed) {
  static const QRegularExpression kSpaces(QStringLiteral("\\s+"));
  for (const QString& word : typed.split(kSpaces, Qt::SkipEmptyParts)) {
    const QString folded = Fold(word);
    if (!words_.contains(folded)) words_ << folded;
  }
}

QString WordSearch::Condition(const QStringList& columns) const {
  QStringList brackets;
  for (const QString& word : words_) {
    QStringList alternatives;
    for (const QString& column : columns) {
      // SQLite's LIKE ignores the case of ASCII letters only. A word with other letters compares
      // folded text, which costs a conversion of every text it looks at; its outline (Outline)
      // first sets aside, at LIKE's own cost, most texts that cannot hold it.
      alternatives << (IsAscii(word) ? column + QStringLiteral(" LIKE ? ESCAPE '\\'")
                                     : QStringLiteral("(%1 LIKE ? ESCAPE '\\' AND %2(%1) LIKE ? ESCAPE '\\')")
                                           .arg(column, QString::fromLatin1(kFold)));
    }
    brackets << QLatin1Char('(') + alternatives.join(QStringLiteral(" OR ")) + QLatin1Char(')');
  }
  return brackets.join(QStringLiteral(" AND "));
}

int WordSearch::Bind(SqlStatement& statement, int position, int columnCount) const {
  const auto anywhere = [](const QString& pattern) { return QLatin1Char('%') + pattern + QLatin1Char('%'); };
  for (const QString& word : words_) {
    const bool plain = IsAscii(word);
    for (int c = 0; c < columnCount; ++c) {
      if (!plain) statement.Bind(position++, anywhere(Outline(word)));
      statement.Bind(position++, anywhere(EscapeLike(word)));
    }
  }
  return position;
}

void WordSearch::Prepare(SqlConnection& connection) { connection.DefineFunction(kFold, &Fold); }

}  // namespace pyxa
