#pragma once
// Row orders of a result held in parts, by one column.

#include "store/untColumnStore.h"

#include <QCollator>
#include <memory>
#include <vector>

enum class TSortAs { Text, Number };

// The collation ranks of one text column of a set of parts, kept by a caller between sorts:
// a second sort of the same column of the same parts (descending after ascending) needs no
// ranking anew. Parts are never changed once filled, so their identity and length suffice.
struct TRankMemo {
    int Column = -1;
    std::vector<std::weak_ptr<const TColumnStore>> Parts;
    std::vector<int> RowCounts;
    std::vector<int> Ranks;
};

// The parts' rows one after the other, in the order of one column: texts by the collator
// (each distinct text keyed once), numbers by their exact value; empty cells first (last when
// descending); equal cells keep their order. Returns the rows' places in the parts, in order.
// With a memo, a text column's ranks are taken from it when it holds them, and kept in it.
std::vector<int> SortedRowOrder(const std::vector<std::shared_ptr<const TColumnStore>>& parts,
                                int column, TSortAs as, bool descending, const QCollator& collator,
                                TRankMemo* memo = nullptr);

// The same for texts given one per row.
std::vector<int> SortedTextOrder(const std::vector<QString>& texts, bool descending,
                                 const QCollator& collator);

// The collator for the list's texts: the locale's own when it is Chinese, Chinese otherwise
// (the texts are Chinese whatever the machine's language).
QCollator ListCollator(const QLocale& locale = QLocale());
