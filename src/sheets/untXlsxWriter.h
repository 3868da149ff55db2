#pragma once
// Workbooks: one sheet, the header row frozen, codes as text, amounts as numbers.

#include "sheets/untSheetWriter.h"

class TXlsxWriter : public TSheetWriter
{
public:
    bool Write(const TExportTable& table, const QString& path, const QString& sheetName,
               const TExportProgress& progress) const override;
};
