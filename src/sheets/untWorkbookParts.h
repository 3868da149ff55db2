#pragma once
// The parts of an XLSX workbook a sheet is read with: the zip streamed through an XML reader
// within limits, the sheet list, the shared strings and the cell styles' number formats.

#include "sheets/untSheetFile.h"

#include <QString>
#include <QXmlStreamReader>
#include <functional>
#include <vector>

struct zip;

// An open workbook. Raises Exception (naming the file) when it is missing or no zip.
class TWorkbookZip
{
public:
    TWorkbookZip(const QString& path, const TSheetLimits& limits);
    ~TWorkbookZip();
    TWorkbookZip(const TWorkbookZip&) = delete;
    TWorkbookZip& operator=(const TWorkbookZip&) = delete;

    const QString& Path() const { return m_path; }
    const TSheetLimits& Limits() const { return m_limits; }
    bool Has(const QString& part) const;
    // Parses a part as it is inflated; `token` sees every token and false stops. `yield` is
    // what the caller has taken from the part so far (rows, cells, characters): a part that
    // inflates far beyond it, or holds one token beyond the limit, is refused.
    void Parse(const QString& part, const qint64& yield,
               const std::function<bool(QXmlStreamReader&)>& token) const;

private:
    QString m_path;
    TSheetLimits m_limits;
    zip* m_zip = nullptr;
};

struct TSheetEntry {
    QString Name;
    QString Part;
    bool Hidden = false;
};

struct TWorkbookInfo {
    std::vector<TSheetEntry> Sheets;
    bool Date1904 = false; // day 0 is 1904-01-01 (else the 1900 count, with its leap day)
};
TWorkbookInfo ReadWorkbookInfo(const TWorkbookZip& book);

// The shared strings, held in one buffer.
class TSharedStrings
{
public:
    explicit TSharedStrings(const TWorkbookZip& book);
    qsizetype Count() const { return qsizetype(m_ends.size()); }
    QString At(qsizetype index) const;

private:
    QString m_chars;
    std::vector<qsizetype> m_ends;
};

// How a cell style shows a number.
struct TNumberStyle {
    bool Date = false;
    int ZeroPad = 0; // "0000000000000": whole numbers padded to that many digits
};
std::vector<TNumberStyle> ReadNumberStyles(const TWorkbookZip& book);

// A number cell's value as the spreadsheet shows it: 15 significant digits without exponent,
// a date as yyyy-MM-dd (the number itself when no date shows it), zero padding.
QString ShownNumber(const QString& value, const TNumberStyle& style, bool date1904);
