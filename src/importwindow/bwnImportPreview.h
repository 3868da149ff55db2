#pragma once
// The import window's preview rows, built from the file's rows and their statuses.

#include "budget/gunBudgetImport.h"
#include "store/untColumnStore.h"

#include <memory>
#include <vector>

// A row per file row (or per row with a reason only): its line, its status and its fields.
struct TImportPreview {
    std::shared_ptr<const TColumnStore> Store;
    std::vector<int> Refused; // preview rows whose status is a reason
};

// Without reasons for every row (not checked) the preview has no rows. Any thread: a long
// file's preview is built beside the window. With the checker that checked the rows, a valid
// row's secrecy shows what is stored where the rules change the file's.
TImportPreview BuildImportPreview(const TImportRows& rows, const std::vector<QString>& reasons,
                                  const TImportMapping& mapping, bool errorsOnly, bool imported,
                                  const TImportChecker* checker = nullptr);
