#include "print/PageRange.h"

#include <QStringList>
#include <algorithm>
#include <limits>
#include <optional>

namespace pyxa {

namespace {

// The number a piece stands for, blanks around it allowed; a number too large for a page
// number saturates (it is then simply not in the document). Empty when it is not a number.
std::optional<std::int64_t> PageNumber(const QString& piece) {
  const QString text = piece.trimmed();
  if (text.isEmpty()) return std::nullopt;
  std::int64_t value = 0;
  for (const QChar c : text) {
    if (!c.isDigit() || c.digitValue() < 0) return std::nullopt;
    value = std::min<std::int64_t>(value * 10 + c.digitValue(), std::numeric_limits<std::int32_t>::max() + 1LL);
  }
  return value;
}

// The code of a piece that is not a page number, as the range's other failures carry their own.
constexpr std::int32_t kNotANumber = 13;

}  // namespace

std::int32_t ParsePageRange(const QString& range, std::int32_t pageCount, std::vector<std::int32_t>& pages,
                            QString& error) {
  pages.clear();
  error.clear();
  if (range.trimmed().isEmpty()) {
    error = QStringLiteral("The page range for parsing is empty.");
    return -1;
  }
  const auto fail = [&](std::int32_t code, const QString& text) {
    pages.clear();
    error = text;
    return code;
  };
  for (const QString& part : range.split(QLatin1Char(','))) {
    if (part.contains(QLatin1Char('-'))) {
      const QStringList ends = part.split(QLatin1Char('-'));
      const auto first = PageNumber(ends.at(0));
      const auto second = PageNumber(ends.at(1));
      if (!first || !second)
        return fail(kNotANumber, QStringLiteral("\"%1\" is not a page range: both ends must be page numbers.")
                                     .arg(part.trimmed()));
      const std::int64_t low = std::min(*first, *second);
      const std::int64_t high = std::max(*first, *second);
      for (std::int64_t page = low; page <= high; ++page) {
        if (page < 1 || page > pageCount)
          return fail(-3, QStringLiteral("Page %1 is not in the document.").arg(page));
        pages.push_back(static_cast<std::int32_t>(page));
      }
    } else {
      const auto page = PageNumber(part);
      if (!page)
        return fail(kNotANumber, QStringLiteral("\"%1\" is not a page number.").arg(part.trimmed()));
      if (*page < 1 || *page > pageCount) return fail(-4, QStringLiteral("Page %1 is not in the document.").arg(part));
      pages.push_back(static_cast<std::int32_t>(*page));
    }
  }
  if (pages.empty())
    return fail(-2, QStringLiteral("No pages specified in the page range are actually in the document."));
  return 0;
}

}  // namespace pyxa
