#include "importwindow/bwnImportPreview.h"

TImportPreview BuildImportPreview(const TImportRows& rows, const std::vector<QString>& reasons,
                                  const TImportMapping& mapping, bool errorsOnly, bool imported)
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
            append(2 + f, rows.Text(r, mapping, TImportField(f)));
        store->EndRow();
    }
    preview.Store = std::move(store);
    return preview;
}
