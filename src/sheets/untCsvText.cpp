#include "sheets/untCsvText.h"

namespace
{
bool RunsAsFormula(QStringView text)
{
    if (text.isEmpty())
        return false;
    if (text.front() == u'\'')
        return RunsAsFormula(text.mid(1)); // escaped already: escaped once more
    return QStringView(u"=+-@\t\r").contains(text.front());
}
} // namespace

QString CsvSafeText(const QString& text)
{
    return RunsAsFormula(text) ? QLatin1Char('\'') + text : text;
}

QString CsvCellText(const QString& cell)
{
    return cell.startsWith(QLatin1Char('\'')) && RunsAsFormula(QStringView(cell).mid(1))
               ? cell.mid(1)
               : cell;
}
