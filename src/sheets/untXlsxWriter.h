#pragma once
// Workbooks: one sheet, the header row frozen, codes as text, amounts as numbers.

#include "sheets/untSheetWriter.h"

// The sheet is streamed row by row into the zip as it is written: nothing is packed afterwards,
// so a cancel stops it at once and memory stays flat however long the table.
class TXlsxWriter : public TSheetWriter
{
public:
    // zlib's level; 1 writes about three times as fast as 6 for a file a fifth larger.
    static constexpr int kDeflateLevel = 1;

    bool Write(const TExportTable& table, const QString& path, const QString& sheetName,
               const TExportProgress& progress) const override;
};
