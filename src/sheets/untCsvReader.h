#pragma once
// Reading a CSV file's records as it is read from the disk, never whole.

#include "sheets/untSheetFile.h"

// The records of a CSV file. The encoding: a byte-order mark's (UTF-8, UTF-16), else UTF-8 when
// the file has more well-formed UTF-8 characters of several bytes than bytes that are not
// UTF-8 (a stray bad byte in a UTF-8 file), else GBK. A byte the encoding cannot read, an
// unterminated quoted cell and what passes the limits are refused with their line.
void ReadCsvFile(const QString& path, const TSheetRowSink& sink, const TSheetLimits& limits);
