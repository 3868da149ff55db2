#include "listwindow/bwnBudgetHistory.h"

#include "basewindows/wnWorkProgress.h"
#include "budget/gunBudget.h"
#include "budget/gunBudgetSave.h"
#include "platform/untApplication.h"
#include "support/untReleaser.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <memory>

namespace
{
// A read or restore that takes longer than this shows its progress window.
constexpr int kShowWaitAfterMillis = 300;

// The first notes of a restore, and how many more: a restore of thousands may have as many.
QString NotesText(const QStringList& notes)
{
    constexpr int kNotesShown = 20;
    QString text = notes.mid(0, kNotesShown).join(QLatin1Char('\n'));
    if (notes.size() > kNotesShown)
        text += QStringLiteral("\n…另有%L1条说明").arg(notes.size() - kNotesShown);
    return text;
}

QTableWidget* Table(QWidget* parent, const QStringList& captions)
{
    auto* t = new QTableWidget(0, int(captions.size()), parent);
    t->setHorizontalHeaderLabels(captions);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    t->setTabKeyNavigation(false); // Tab goes on to the buttons
    return t;
}

void AddRow(QTableWidget* t, const QStringList& cells)
{
    const int r = t->rowCount();
    t->insertRow(r);
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setToolTip(cells[c]);
        t->setItem(r, c, item);
    }
}

// Columns as wide as their texts, but none wider than a third of the dialog: a long document
// number or remark is cut (its whole text in the cell's tip) instead of pushing the rest away.
void FitColumns(QTableView* t)
{
    t->resizeColumnsToContents();
    constexpr int kWidest = 320;
    for (int c = 0; c < t->model()->columnCount(); ++c)
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

// The deleted indicators as the table shows them, texts made for the rows painted only.
class TDeletedBudgetsModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;
    static QStringList Captions()
    {
        return {QStringLiteral("指标编号"), QStringLiteral("预算单位"), QStringLiteral("指标文号"),
                QStringLiteral("科目编码"), QStringLiteral("控制金额"), QStringLiteral("删除时间"),
                QStringLiteral("操作员")};
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : kColumns;
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o == Qt::Horizontal && role == Qt::DisplayRole)
            return Captions().value(section);
        return QAbstractTableModel::headerData(section, o, role);
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || size_t(index.row()) >= m_rows.size())
            return {};
        if (role == Qt::TextAlignmentRole && index.column() == kAmount)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        const TDeletedBudget& d = m_rows[size_t(index.row())];
        switch (index.column()) {
        case 0:
            return d.BudgId;
        case 1:
            return d.Eid;
        case 2:
            return d.FileName;
        case 3:
            return d.Subject;
        case kAmount:
            return d.Amount.FormatExact();
        case 5:
            return d.Time;
        case 6:
            return d.Operator;
        default:
            return {};
        }
    }
    // The old rows are freed beside the window (a bulk delete's are many).
    void SetRows(std::vector<TDeletedBudget>&& rows)
    {
        beginResetModel();
        std::swap(m_rows, rows);
        endResetModel();
        ReleaseValueBeside(rows);
    }
    QString HistId(int row) const
    {
        return size_t(row) < m_rows.size() ? m_rows[size_t(row)].HistId : QString();
    }

private:
    static constexpr int kAmount = 4;
    static constexpr int kColumns = 7;
    std::vector<TDeletedBudget> m_rows;
};

TfrmDeletedBudgets::TfrmDeletedBudgets(int dataYear, const QString& unitPrefix, QWidget* parent)
    : TfrmBase(parent), grdDeleted(new QTableView(this)), m_model(new TDeletedBudgetsModel(this)),
      m_dataYear(dataYear), m_unitPrefix(unitPrefix)
{
    setWindowTitle(QStringLiteral("已删除的指标 — %1年").arg(dataYear));
    grdDeleted->setObjectName(QStringLiteral("grdDeleted"));
    grdDeleted->setModel(m_model);
    grdDeleted->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdDeleted->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdDeleted->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grdDeleted->verticalHeader()->hide();
    grdDeleted->horizontalHeader()->setStretchLastSection(true);
    grdDeleted->setTabKeyNavigation(false); // Tab goes on to the buttons, the selection kept
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    btnRestore = buttons->addButton(QStringLiteral("恢复(&R)"), QDialogButtonBox::ActionRole);
    btnRestore->setObjectName(QStringLiteral("btnRestore"));
    btnRestore->setEnabled(false);
    // Enter in the table does not write: 关闭 is the default; 恢复 is pressed (Alt+R, or Enter
    // once Tab has reached it).
    buttons->button(QDialogButtonBox::Close)->setDefault(true);
    connect(btnRestore, &QPushButton::clicked, this,
            [this] { Guarded(this, [this] { btnRestoreClick(); }); });
    labNote = Note(this, QString());
    Frame(this, labNote, grdDeleted, buttons);
    Fill(); // ends once the dialog runs
}

void TfrmDeletedBudgets::Fill()
{
    auto read = std::make_shared<std::vector<TDeletedBudget>>();
    auto job = [read, year = m_dataYear, prefix = m_unitPrefix](TWorkControl& control) {
        control.Phase(QStringLiteral("正在读取已删除的指标…"));
        *read =
            ReadDeletedBudgets(year, prefix, [&control](int n) { return control.Progress(n, 0); });
        return !control.Cancelled();
    };
    if (!Work()->Run(
            QStringLiteral("读取已删除的指标"), job,
            [this, read](TWorkOutcome outcome, const QString& error) {
                if (outcome == TWorkOutcome::Done)
                    Filled(std::move(*read), QString());
                else
                    Filled({}, outcome == TWorkOutcome::Cancelled
                                   ? QStringLiteral("读取已取消，没有列出已删除的指标。")
                                   : error);
            },
            TWindowWork::Connection::Needed, kShowWaitAfterMillis))
        Filled({}, QStringLiteral("没有读取已删除的指标。")); // Run said why
}

void TfrmDeletedBudgets::Filled(std::vector<TDeletedBudget>&& rows, const QString& failure)
{
    m_model->SetRows(std::move(rows));
    FitColumns(grdDeleted);
    const bool empty = m_model->rowCount() == 0;
    btnRestore->setEnabled(!empty);
    labNote->setText(failure.isEmpty() ? QStringLiteral("本年度这些单位没有已删除的指标。")
                                       : failure);
    labNote->setVisible(empty);
}

void TfrmDeletedBudgets::btnRestoreClick()
{
    QStringList chosen;
    for (const QModelIndex& row : grdDeleted->selectionModel()->selectedRows())
        chosen << m_model->HistId(row.row());
    if (chosen.isEmpty()) {
        ShowMessage(QStringLiteral("请选择要恢复的指标。"), CaptionInfo(), MsgIcon::Information);
        return;
    }
    auto outcome = std::make_shared<TRestoreOutcome>();
    auto job = [outcome, year = m_dataYear, chosen](TWorkControl& control) {
        control.Phase(WaitingToWritePhase());
        *outcome = RestoreDeletedBudgets(
            year, chosen,
            AfterLockTaken([&control] { control.Phase(QStringLiteral("正在恢复已删除的指标…")); },
                           [&control](int n, int total) { return control.Progress(n, total); }));
        return !control.Cancelled();
    };
    Work()->Run(QStringLiteral("恢复已删除的指标"), job,
                [this, outcome](TWorkOutcome work, const QString& error) {
                    if (work == TWorkOutcome::Failed) {
                        ShowMessage(error, CaptionRefuse(), MsgIcon::Warning);
                        return;
                    }
                    if (work == TWorkOutcome::Cancelled) {
                        ShowMessage(QStringLiteral("恢复已取消，没有恢复任何指标。"), CaptionInfo(),
                                    MsgIcon::Information);
                        return;
                    }
                    m_restored += outcome->Restored;
                    QString text = QStringLiteral("已恢复%L1条指标。").arg(outcome->Restored);
                    if (!outcome->Notes.isEmpty())
                        text += QLatin1Char('\n') + NotesText(outcome->Notes);
                    ShowMessage(text, CaptionInfo(), MsgIcon::Information);
                    Fill();
                });
}
