// The kinds of paper a clinic receives, told by the words of their headings: one table row per
// phrase (English and French), naming the clinic's category and, where the phrase says it, the type.
#pragma once

#include <QString>
#include <QVector>

namespace pyxa {

struct KindWord {
  QString phrase;    // folded (FoldedText): lower case, without accents or punctuation
  QString category;  // as the clinic names it: "Lab Report", "DI Report", ...
  QString type;      // empty: the phrase says the category only
  bool anywhere = false;  // counts in running text too; otherwise only in a heading line
};

const QVector<KindWord>& KindWords();

struct KindFound {
  const KindWord* word = nullptr;
  int start = 0, length = 0;  // in the page's text
  bool heading = false;
};

// Every phrase of the table on the page, in the page's order: in headings (lines mostly in capitals)
// and, for phrases that count anywhere, in the running text.
QVector<KindFound> FindKindWords(const QString& text);

}  // namespace pyxa
