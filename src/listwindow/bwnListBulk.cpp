#include "listwindow/bwnListBulk.h"

#include "basewindows/wnWorkProgress.h"

#include <memory>

bool StartBulk(TWindowWork* work, TBulkAction action, int dataYear, TBulkRows collect,
               std::function<void(const TBulkResult&)> done)
{
    const bool deleting = action == TBulkAction::Delete;
    auto result = std::make_shared<TBulkResult>();
    const bool fromEntered = action == TBulkAction::CopyEntered;
    auto job = [deleting, fromEntered, dataYear, collect = std::move(collect),
                result](TWorkControl& control) {
        control.Phase(deleting ? QStringLiteral("正在删除…") : QStringLiteral("正在复制金额…"));
        const std::vector<TBulkRow> rows = collect([&] { return !control.Cancelled(); });
        if (control.Cancelled())
            return false; // nothing written
        const QString failure =
            deleting ? QStringLiteral("删除数据失败！。") : QStringLiteral("金额复制失败！。");
        const TBulkRefusal refused = [&](const QString& reason, bool last) {
            const QString text = failure + QLatin1Char('\n') + reason;
            if (last) {
                control.Ask({text, CaptionInfo(), MsgIcon::Information, MsgButtons::Ok});
                return false;
            }
            return control.Ask({text + QStringLiteral("\n\n是否继续处理其余选中的指标？"),
                                CaptionInfo(), MsgIcon::Question, MsgButtons::YesNo}) == mrYes;
        };
        const TWriteProgress progress = [&](int n, int total) {
            return control.Progress(n, total);
        };
        result->Rows = deleting
                           ? DeleteBudgets(dataYear, rows, refused, progress)
                           : CopyControlAmounts(dataYear, rows, fromEntered, refused, progress);
        return !result->Rows.Cancelled;
    };
    return work->Run(deleting ? QStringLiteral("删除") : QStringLiteral("复制金额"), job,
                     [result, done = std::move(done)](TWorkOutcome outcome, const QString& error) {
                         result->Work = outcome;
                         result->Error = error;
                         done(*result);
                     });
}

QString MissingRowsText(const TBulkOutcome& rows, const QString& what)
{
    const QString gone = QStringLiteral("已不在数据库中（可能已被其他操作员删除）");
    const QString altered = QStringLiteral("在列表读取之后已被其他操作员改动");
    QStringList skipped;
    if (rows.Missing > 0)
        skipped << QStringLiteral("%L1条%2").arg(rows.Missing).arg(gone);
    if (rows.Altered > 0)
        skipped << QStringLiteral("%L1条%2").arg(rows.Altered).arg(altered);
    if (rows.Written == 0 && rows.Altered == 0)
        return QStringLiteral("选中的%L1条指标%2，没有写入任何数据。").arg(rows.Missing).arg(gone);
    if (rows.Written == 0)
        return QStringLiteral("选中的指标中%1，没有写入任何数据。")
            .arg(skipped.join(QStringLiteral("，")));
    return QStringLiteral("已%1%L2条指标；另有%3，没有%1。")
        .arg(what)
        .arg(rows.Written)
        .arg(skipped.join(QStringLiteral("，")));
}
