#include "reading/TolerantText.h"

#include <algorithm>
#include <vector>

namespace pyxa {
namespace {

// The folded text and, for each of its characters, where it came from in the original.
struct Folded {
  QString text;
  std::vector<int> from;
};

Folded Fold(const QString& text) {
  Folded folded;
  bool gap = true;  // no leading space
  for (int i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c == QLatin1Char('\'') || c == QChar(0x2019)) continue;  // "Brigid's" is one word
    QChar base = c;
    if (c.decompositionTag() != QChar::NoDecomposition || c.unicode() > 127) {
      const QString decomposed = QString(c).normalized(QString::NormalizationForm_D);
      if (!decomposed.isEmpty()) base = decomposed.at(0);
    }
    if (base.isLetterOrNumber()) {
      folded.text += base.toLower();
      folded.from.push_back(i);
      gap = false;
    } else if (!gap) {
      folded.text += QLatin1Char(' ');
      folded.from.push_back(i);
      gap = true;
    }
  }
  if (folded.text.endsWith(QLatin1Char(' '))) {
    folded.text.chop(1);
    folded.from.pop_back();
  }
  return folded;
}

bool WordEdge(const QString& text, int at) {
  return at <= 0 || at >= text.size() || text.at(at) == QLatin1Char(' ') || text.at(at - 1) == QLatin1Char(' ');
}

}  // namespace

QString FoldedText(const QString& text) { return Fold(text).text; }

int EditDistance(const QString& a, const QString& b) {
  std::vector<int> row(static_cast<size_t>(b.size()) + 1);
  for (size_t j = 0; j < row.size(); ++j) row[j] = static_cast<int>(j);
  for (int i = 1; i <= a.size(); ++i) {
    int diagonal = row[0];
    row[0] = i;
    for (int j = 1; j <= b.size(); ++j) {
      const int above = row[static_cast<size_t>(j)];
      row[static_cast<size_t>(j)] = std::min({above + 1, row[static_cast<size_t>(j) - 1] + 1,
                                              diagonal + (a.at(i - 1) == b.at(j - 1) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row.back();
}

TextMatch FindTolerant(const QString& text, const QString& name) {
  const Folded page = Fold(text);
  const QString pattern = FoldedText(name);
  const int m = static_cast<int>(pattern.size());
  if (m == 0 || page.text.isEmpty()) return {};
  const int allowed = m / 8;
  // Approximate matching with a free start: cost[i] is the fewest edits that end pattern[0, i) at the
  // current place of the page, begun where start[i] says.
  std::vector<int> cost(static_cast<size_t>(m) + 1), start(static_cast<size_t>(m) + 1);
  for (int i = 0; i <= m; ++i) cost[static_cast<size_t>(i)] = i;
  TextMatch best;
  best.edits = allowed + 1;
  for (int j = 1; j <= page.text.size(); ++j) {
    int diagonalCost = cost[0], diagonalStart = start[0];
    cost[0] = 0;
    start[0] = j;
    for (int i = 1; i <= m; ++i) {
      const auto k = static_cast<size_t>(i);
      const int aboveCost = cost[k], aboveStart = start[k];
      cost[k] = diagonalCost + (pattern.at(i - 1) == page.text.at(j - 1) ? 0 : 1);
      start[k] = diagonalStart;
      if (aboveCost + 1 < cost[k]) {
        cost[k] = aboveCost + 1;
        start[k] = aboveStart;
      }
      if (cost[k - 1] + 1 < cost[k]) {
        cost[k] = cost[k - 1] + 1;
        start[k] = start[k - 1];
      }
      diagonalCost = aboveCost;
      diagonalStart = aboveStart;
    }
    const int from = start[static_cast<size_t>(m)];
    if (cost[static_cast<size_t>(m)] < best.edits && from < j && WordEdge(page.text, from) && WordEdge(page.text, j)) {
      best.edits = cost[static_cast<size_t>(m)];
      best.start = from;
      best.length = j;  // end, for now
    }
  }
  if (!best.Found()) return {};
  const int first = page.from[static_cast<size_t>(best.start)];
  const int last = page.from[static_cast<size_t>(best.length - 1)];
  return {first, last - first + 1, best.edits};
}

}  // namespace pyxa
