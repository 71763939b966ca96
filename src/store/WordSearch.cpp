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
    // SQLite's LIKE ignores the case of ASCII letters only; a word with other letters compares
    // folded text, which costs a conversion of every text it looks at.
    const bool plain = IsAscii(word);
    QStringList alternatives;
    for (const QString& column : columns) {
      const QString text = plain ? column : QStringLiteral("%1(%2)").arg(QString::fromLatin1(kFold), column);
      alternatives << text + QStringLiteral(" LIKE ? ESCAPE '\\'");
    }
    brackets << QLatin1Char('(') + alternatives.join(QStringLiteral(" OR ")) + QLatin1Char(')');
  }
  return brackets.join(QStringLiteral(" AND "));
}

int WordSearch::Bind(SqlStatement& statement, int position, int columnCount) const {
  for (const QString& word : words_) {
    const QString pattern = QLatin1Char('%') + EscapeLike(word) + QLatin1Char('%');
    for (int c = 0; c < columnCount; ++c) statement.Bind(position++, pattern);
  }
  return position;
}

void WordSearch::Prepare(SqlConnection& connection) { connection.DefineFunction(kFold, &Fold); }

}  // namespace pyxa
