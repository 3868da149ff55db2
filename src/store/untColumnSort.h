#pragma once
// Row orders of a result held in parts, by one column.

#include "store/untColumnStore.h"

#include <QCollator>
#include <memory>
#include <vector>

enum class TSortAs { Text, Number };

// The parts' rows one after the other, in the order of one column: texts by the collator
// (each distinct text keyed once), numbers by their exact value; empty cells first (last when
// descending); equal cells keep their order. Returns the rows' places in the parts, in order.
std::vector<int> SortedRowOrder(const std::vector<std::shared_ptr<const TColumnStore>>& parts,
                                int column, TSortAs as, bool descending, const QCollator& collator);

// The same for texts given one per row.
std::vector<int> SortedTextOrder(const std::vector<QString>& texts, bool descending,
                                 const QCollator& collator);

// The collator for the list's texts: the locale's own when it is Chinese, Chinese otherwise
// (the texts are Chinese whatever the machine's language).
QCollator ListCollator(const QLocale& locale = QLocale());
