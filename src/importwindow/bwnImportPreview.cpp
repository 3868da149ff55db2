#include "importwindow/bwnImportPreview.h"

namespace
{
// The secrecy a valid row is stored with, when it is not what the file says (the rule of the
// entry dialog: in a secret unit only project-like expenditure may be secret).
QString StoredSecrecy(const TImportRows& rows, const TImportMapping& mapping, int row,
                      const TImportChecker* checker)
{
    const QString text = rows.Text(row, mapping, TImportField::Secrecy);
    TBudget b;
    if (!checker || text.isEmpty() || !checker->FillRow(rows, mapping, row, b))
        return text;
    if (ImportSecrecyCode(text) == b.IsSecret)
        return text;
    return (b.IsSecret == QLatin1String("0") ? QStringLiteral("密") : QStringLiteral("非密")) +
           QStringLiteral("（按支出类型改，文件为“%1”）").arg(text);
}
} // namespace

TImportPreview BuildImportPreview(const TImportRows& rows, const std::vector<QString>& reasons,
                                  const TImportMapping& mapping, bool errorsOnly, bool imported,
                                  const TImportChecker* checker)
{
    const bool checked = rows.Cells && reasons.size() == size_t(rows.Count());
    auto store = std::make_shared<TColumnStore>();
    QStringList names{QStringLiteral("line"), QStringLiteral("status")};
    for (int f = 0; f < kImportFieldCount; ++f)
        names << QStringLiteral("field%1").arg(f);
    store->SetColumns(names, QList<bool>(names.size(), false));
    auto append = [&store](int col, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        store->AppendUtf8(col, utf8.constData(), int(utf8.size()));
    };
    TImportPreview preview;
    for (int r = 0; checked && r < rows.Count(); ++r) {
        const QString& reason = reasons[size_t(r)];
        if (errorsOnly && reason.isEmpty())
            continue;
        if (!reason.isEmpty())
            preview.Refused.push_back(store->RowCount());
        append(0, QString::number(rows.Lines[size_t(r)]));
        append(1, !reason.isEmpty() ? reason
                  : imported        ? QStringLiteral("已导入")
                                    : QStringLiteral("可导入"));
        for (int f = 0; f < kImportFieldCount; ++f)
            append(2 + f, TImportField(f) == TImportField::Secrecy && reason.isEmpty()
                              ? StoredSecrecy(rows, mapping, r, checker)
                              : rows.Text(r, mapping, TImportField(f)));
        store->EndRow();
    }
    preview.Store = std::move(store);
    return preview;
}
