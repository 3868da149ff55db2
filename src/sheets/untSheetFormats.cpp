#include "sheets/untSheetFormats.h"

#include "sheets/untCsvWriter.h"
#include "sheets/untXlsxWriter.h"

#include <QFileInfo>

const std::vector<TSheetFormat>& SheetFormats()
{
    static const TXlsxWriter xlsx;
    static const TCsvWriter csv;
    static const std::vector<TSheetFormat> formats{
        {QStringLiteral("xlsx"), QStringLiteral("Excel 工作簿 (*.xlsx)"),
         QStringLiteral("Excel 工作簿 (*.xlsx)"), true, &xlsx},
        {QStringLiteral("csv"), QStringLiteral("CSV 文件，UTF-8 (*.csv)"),
         QStringLiteral("CSV 文件 (*.csv)"), false, &csv},
    };
    return formats;
}

const TSheetFormat& SheetFormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    for (const TSheetFormat& f : SheetFormats())
        if (suffix.compare(f.Suffix, Qt::CaseInsensitive) == 0)
            return f;
    return SheetFormats().front();
}

QString SaveFilters()
{
    QStringList filters;
    for (const TSheetFormat& f : SheetFormats())
        filters << f.SaveFilter;
    return filters.join(QStringLiteral(";;"));
}

QStringList SaveSuffixes()
{
    QStringList suffixes;
    for (const TSheetFormat& f : SheetFormats())
        suffixes << f.Suffix;
    return suffixes;
}

QString OpenFilters()
{
    QStringList patterns;
    QStringList filters;
    for (const TSheetFormat& f : SheetFormats()) {
        if (f.OpenFilter.isEmpty())
            continue;
        patterns << QStringLiteral("*.") + f.Suffix;
        filters << f.OpenFilter;
    }
    filters.prepend(QStringLiteral("电子表格 (%1)").arg(patterns.join(u' ')));
    return filters.join(QStringLiteral(";;"));
}
