#pragma once
// CSV files: UTF-8 with a byte-order mark, amounts exact without grouping, CRLF line ends.

#include "sheets/untSheetWriter.h"

class TCsvWriter : public TSheetWriter
{
public:
    bool Write(const TExportTable& table, const QString& path, const QString& sheetName,
               const TExportProgress& progress) const override;
};
