// The words typed into a search of the store, as SQL: every word must occur somewhere in one of the
// searched texts, letter case ignored (beyond ASCII too), "%", "_" and "'" being just characters.
// The words are bound, never spliced into the statement.
#pragma once

#include <QString>
#include <QStringList>

namespace pyxa {

class SqlConnection;
class SqlStatement;

// The longest words text a search box takes: enough for any search, and few enough words that their
// bound values stay far within SQLite's limit on them.
inline constexpr int kMaxSearchWordsLength = 200;

// text with LIKE's wildcards and its escape character escaped for ESCAPE '\'.
QString EscapeLike(const QString& text);

class WordSearch {
 public:
  // The words are what is typed between spaces; a word typed twice counts once.
  explicit WordSearch(const QString& typed);
  bool IsEmpty() const { return words_.isEmpty(); }

  // One bracket per word, joined by AND: "(c1 LIKE ? ESCAPE '\' OR c2 LIKE ? ...)". "" when empty.
  QString Condition(const QStringList& columns) const;
  // Binds Condition's values from position on; answers the position after them.
  int Bind(SqlStatement& statement, int position, int columnCount) const;
  // Makes the connection able to run Condition's SQL (the case folding of words beyond ASCII).
  static void Prepare(SqlConnection& connection);

 private:
  QStringList words_;  // case-folded
};

}  // namespace pyxa
