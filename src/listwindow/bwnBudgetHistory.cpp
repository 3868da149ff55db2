#include "listwindow/bwnBudgetHistory.h"

#include "budget/gunBudget.h"
#include "budget/gunBudgetHistory.h"
#include "platform/untApplication.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{
QTableWidget* Table(QWidget* parent, const QStringList& captions)
{
    auto* t = new QTableWidget(0, int(captions.size()), parent);
    t->setHorizontalHeaderLabels(captions);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void AddRow(QTableWidget* t, const QStringList& cells, const QList<int>& rightAligned = {})
{
    const int r = t->rowCount();
    t->insertRow(r);
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setToolTip(cells[c]);
        if (rightAligned.contains(c))
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        t->setItem(r, c, item);
    }
}

// Columns as wide as their texts, but none wider than a third of the dialog: a long document
// number or remark is cut (its whole text in the cell's tip) instead of pushing the rest away.
void FitColumns(QTableWidget* t)
{
    t->resizeColumnsToContents();
    constexpr int kWidest = 320;
    for (int c = 0; c < t->columnCount(); ++c)
        if (t->columnWidth(c) > kWidest)
            t->setColumnWidth(c, kWidest);
}

// The note above the table that says why it is empty; hidden while it lists something.
QLabel* Note(QWidget* parent, const QString& text)
{
    auto* note = new QLabel(text, parent);
    note->setObjectName(QStringLiteral("labNote"));
    note->setWordWrap(true);
    note->hide();
    return note;
}

QVBoxLayout* Frame(QDialog* d, QLabel* note, QWidget* table, QDialogButtonBox* buttons)
{
    auto* layout = new QVBoxLayout(d);
    layout->addWidget(note);
    layout->addWidget(table);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
    d->resize(960, 520);
    return layout;
}
} // namespace

TfrmBudgetHistory::TfrmBudgetHistory(int dataYear, const QString& budgId, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("指标历史 — %1年 指标%2").arg(dataYear).arg(budgId));
    grdVersions =
        Table(this, {QStringLiteral("时间"), QStringLiteral("操作员"), QStringLiteral("操作"),
                     QStringLiteral("途径"), QStringLiteral("项目"), QStringLiteral("原值"),
                     QStringLiteral("新值")});
    grdVersions->setObjectName(QStringLiteral("grdVersions"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    labNote = Note(
        this, QStringLiteral("这个指标没有修改记录：建立指标历史以后它没有增加、修改或删除过。"));
    Frame(this, labNote, grdVersions, buttons);
    for (const THistoryVersion& v : ReadBudgetHistory(dataYear, budgId)) { // raises
        const QStringList head{v.Time, v.Operator, v.Action, v.Path};
        if (v.Changes.empty())
            AddRow(grdVersions, head + QStringList{QStringLiteral("（无变化）")});
        for (size_t i = 0; i < v.Changes.size(); ++i)
            AddRow(grdVersions,
                   (i == 0 ? head : QStringList{QString(), QString(), QString(), QString()}) +
                       QStringList{v.Changes[i].Field, v.Changes[i].Old, v.Changes[i].New});
    }
    FitColumns(grdVersions);
    labNote->setVisible(grdVersions->rowCount() == 0);
}

int TfrmBudgetHistory::Versions() const
{
    return grdVersions->rowCount();
}

TfrmDeletedBudgets::TfrmDeletedBudgets(int dataYear, const QString& unitPrefix, QWidget* parent)
    : QDialog(parent), m_dataYear(dataYear), m_unitPrefix(unitPrefix)
{
    setWindowTitle(QStringLiteral("已删除的指标 — %1年").arg(dataYear));
    grdDeleted = Table(this, {QStringLiteral("指标编号"), QStringLiteral("预算单位"),
                              QStringLiteral("指标文号"), QStringLiteral("科目编码"),
                              QStringLiteral("控制金额"), QStringLiteral("删除时间"),
                              QStringLiteral("操作员")});
    grdDeleted->setObjectName(QStringLiteral("grdDeleted"));
    grdDeleted->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    btnRestore = buttons->addButton(QStringLiteral("恢复(&R)"), QDialogButtonBox::ActionRole);
    btnRestore->setObjectName(QStringLiteral("btnRestore"));
    connect(btnRestore, &QPushButton::clicked, this,
            [this] { Guarded(this, [this] { btnRestoreClick(); }); });
    labNote = Note(this, QStringLiteral("本年度这些单位没有已删除的指标。"));
    Frame(this, labNote, grdDeleted, buttons);
    Fill();
}

void TfrmDeletedBudgets::Fill()
{
    grdDeleted->setRowCount(0);
    m_histIds.clear();
    for (const TDeletedBudget& d : ReadDeletedBudgets(m_dataYear, m_unitPrefix)) { // raises
        AddRow(grdDeleted,
               {d.BudgId, d.Eid, d.FileName, d.Subject, d.Amount.Format2(), d.Time, d.Operator},
               {4});
        m_histIds << d.HistId;
    }
    FitColumns(grdDeleted);
    btnRestore->setEnabled(!m_histIds.isEmpty());
    labNote->setVisible(m_histIds.isEmpty());
}

void TfrmDeletedBudgets::btnRestoreClick()
{
    QStringList chosen;
    for (const QModelIndex& row : grdDeleted->selectionModel()->selectedRows())
        chosen << m_histIds.value(row.row());
    if (chosen.isEmpty()) {
        ShowMessage(QStringLiteral("请选择要恢复的指标。"), CaptionInfo(), MsgIcon::Information);
        return;
    }
    TRestoreOutcome outcome;
    try {
        outcome = RestoreDeletedBudgets(m_dataYear, chosen);
    } catch (const TExceptBudgetManage& e) {
        ShowMessage(e.Message(), CaptionInfo(), MsgIcon::Warning);
        return;
    }
    m_restored += outcome.Restored;
    QString text = QStringLiteral("已恢复%1条指标。").arg(outcome.Restored);
    if (!outcome.Notes.isEmpty())
        text += QLatin1Char('\n') + outcome.Notes.join(QLatin1Char('\n'));
    ShowMessage(text, CaptionInfo(), MsgIcon::Information);
    Fill();
}
