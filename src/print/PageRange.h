// The page list of a typed page range such as "1,3,5-12": pages in the order written, repeats
// kept, a reversed range counted upwards.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace pyxa {

// 0 and the pages on success. Otherwise the list is emptied, error says why and the result is
// -1 (empty text), -2 (no page of the document), -3 (a range runs outside the document),
// -4 (a single page outside it), or the failure's own number for a piece that is not a number.
std::int32_t ParsePageRange(const QString& range, std::int32_t pageCount, std::vector<std::int32_t>& pages,
                            QString& error);

}  // namespace pyxa
