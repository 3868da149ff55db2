// The item selection dialog on a large item catalogue: building its first level, and a code
// prefix search, against SQLite stepping the same statements.
// bench_select_dialogs [--runs N] [--folder DIR] [N items ...]   (default 100000)
#include "BenchSupport.h"
#include "context/untWorkContext.h"
#include "controls/TTreeView.h"
#include "elements/gunfunElement.h"
#include "selectdialogs/gwnSelectIid.h"
#include "support/untDynamicTree.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <cstdio>

namespace
{
QString ItemsDatabase(const QString& folder, int items)
{
    QDir().mkpath(folder);
    const QString path = QStringLiteral("%1/items-%2.db").arg(folder).arg(items);
    if (QFile::exists(path))
        return path;
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(VESPERWALD_DB_TOOL,
               {"demo", "--connection", "Provider=SQLite;Data Source=" + path, "--indicators",
                "1000", "--years", "1", "--items", QString::number(items)});
    tool.waitForFinished(-1);
    if (tool.exitCode() != 0)
        std::exit(1);
    return path;
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchArgs args = ParseBenchArgs(app.arguments().mid(1), {100000});
    std::printf("%8s %-14s %8s %10s %10s %7s\n", "items", "step", "nodes", "dialog ms", "raw ms",
                "ratio");
    for (int items : args.Sizes) {
        const QString file = ItemsDatabase(args.Folder, items);
        TDbManager manager;
        manager.ConnectionString = "Provider=SQLite;Data Source=" + file;
        TSysParams params;
        TWorkContext ctx;
        ctx.DataYear = 2026;
        ctx.DbManager = &manager;
        ctx.SysParams = &params;
        SetCurrentWorkContext(&ctx);
        TgfrmSelectIid* dialog = TfrmBase::Create<TgfrmSelectIid>(nullptr);
        dialog->SetFilter(ItemSelectionCondition("", "0", "0", 0, ""));
        TDynamicTree* tree = dialog->Controls().dtrvElement;
        RawReader reader(file);
        const auto step = [&](const char* name, const QString& prefix) {
            dialog->SearchFields().edtIid->setText(prefix);
            const double ms = MedianMs(args.Runs, [&] { dialog->RefreshTree(); });
            const int nodes = dialog->Controls().trvBottom->topLevelItem(0)->childCount();
            const double raw = MedianMs(args.Runs, [&] { reader.Read(tree->ChildrenSql("")); });
            std::printf("%8d %-14s %8d %10.1f %10.1f %7.2f\n", items, name, nodes, ms, raw,
                        ms / raw);
        };
        dialog->show();
        step("first level", QString());
        step("prefix 3050", QStringLiteral("3050"));
        delete dialog;
        SetCurrentWorkContext(nullptr);
        std::fflush(stdout);
    }
    return 0;
}
