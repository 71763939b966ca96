// Text compared the way OCR needs it: without case, accents or punctuation, and allowing a few
// misread letters. Finds a known name (a laboratory, a past sender, a heading) in a page's text.
#pragma once

#include <QString>

namespace pyxa {

// Lower case, accents dropped, apostrophes removed, every other run of non-letters one space.
QString FoldedText(const QString& text);

// The edits (letters added, dropped or changed) that turn a into b.
int EditDistance(const QString& a, const QString& b);

struct TextMatch {
  int start = -1;   // in the text searched; -1: not found
  int length = 0;
  int edits = 0;
  bool Found() const { return start >= 0; }
};

// Where name stands in text with at most one edit per eight letters of the name (none for short
// names), whole words only; the closest place, the first of equals.
TextMatch FindTolerant(const QString& text, const QString& name);

}  // namespace pyxa
