#include "support/gunNextGridManager.h"

#include "controls/TNextGrid.h"
#include "platform/untApplication.h"
#include "platform/untIniFile.h"
#include "context/untWorkContext.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QPalette>

namespace
{
const QColor kTotalsColor(200, 200, 255);

// Restores the cursor and unlocks the grid whatever way the fill ends.
struct FillGuard {
    TNextGrid* grid;
    bool& filling;
    FillGuard(TNextGrid* g, bool& f) : grid(g), filling(f)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        grid->BeginUpdate();
    }
    ~FillGuard()
    {
        grid->EndUpdate();
        grid->SetSortable(true);
        QApplication::restoreOverrideCursor();
        filling = false;
    }
};
} // namespace

TNextGridManager::TNextGridManager(const QList<TGridFieldDef>& definitions, const QString& gridName)
    : m_definitions(definitions), m_builtIn(definitions)
{
    const QString exe =
        Application ? Application->ExeName() : QCoreApplication::applicationFilePath();
    m_layoutPath =
        QFileInfo(exe).absolutePath() + QLatin1Char('/') + gridName + QStringLiteral(".for");
}

bool TNextGridManager::LoadLayout(const QString& path, QList<TGridFieldDef>& definitions)
{
    const TIniFile ini(path);
    if (!ini.Exists())
        return false;
    const int high = ini.ReadInteger(QStringLiteral("DTFormatInfo"), QStringLiteral("high"), 0);
    if (high < 1 || high > 200)
        return false;
    QList<TGridFieldDef> result = definitions;
    result.resize(high + 1);
    for (int i = 0; i <= high; ++i) {
        const QString key = QString::number(i);
        TGridFieldDef d;
        d.strFieldTital = ini.ReadString(QStringLiteral("strFieldTital"), key, QString());
        d.strFieldName = ini.ReadString(QStringLiteral("strFieldName"), key, QString());
        int type = ini.ReadInteger(QStringLiteral("xcFieldType"), key, 0);
        d.xcFieldType = quint8(type >= 0 && type <= 3 ? type : 0);
        int kind = ini.ReadInteger(QStringLiteral("xcFieldDataType"), key, 0);
        d.xcFieldDataType = quint8(kind >= 0 && kind <= 3 ? kind : 1);
        d.intFieldLen = ini.ReadInteger(QStringLiteral("intFieldLen"), key, 0);
        d.intOrder = ini.ReadInteger(QStringLiteral("intOrder"), key, i);
        d.intOutputFlag = ini.ReadInteger(QStringLiteral("intOutputFlag"), key, 1);
        // A position outside the list keeps the definition in file order.
        const int pos = d.intOrder >= 0 && d.intOrder <= high ? d.intOrder : i;
        result[pos] = d;
    }
    definitions = result;
    return true;
}

void TNextGridManager::BuildColumns(TNextGrid* grid)
{
    m_fromLayout = !m_layoutRejected && LoadLayout(m_layoutPath, m_definitions);
    grid->BeginUpdate();
    grid->ClearColumns();
    grid->SetHeaderSize(20);
    grid->SetRowSize(20);
    grid->SetOptions(goHeader | goSelectFullRow);
    grid->SetGridLinesColor(grid->palette().color(QPalette::Button));
    m_columnKinds.clear();
    for (const TGridFieldDef& d : m_definitions) {
        TNxColumn c;
        switch (d.xcFieldDataType) {
        case 2:
            c.Kind = TNxColumnKind::CheckBox;
            c.Alignment = Qt::AlignCenter;
            c.Options = coCanClick | coCanInput | coCanSort | coEditing | coPublicUsing;
            break;
        case 0:
            c.Kind = TNxColumnKind::Number;
            c.FormatMask = QStringLiteral("#,##0.00");
            c.Alignment = Qt::AlignRight | Qt::AlignVCenter;
            break;
        case 1:
        case 3:
            c.Kind = TNxColumnKind::Text;
            break;
        default:
            continue; // no column: the following ones move up
        }
        c.Name = d.strFieldName;
        c.Caption = d.strFieldTital;
        c.HeaderAlignment = Qt::AlignCenter;
        c.Visible = d.xcFieldType == 1;
        c.Width = d.intFieldLen;
        grid->AddColumn(c);
        m_columnKinds.push_back(d.xcFieldDataType);
    }
    grid->EndUpdate();
}

bool TNextGridManager::Fill(TNextGrid* grid, const QString& sql, bool withTotals, bool halveTotals,
                            bool withRowNumbers)
{
    bool opened = true;
    QString problem;
    Prepare(grid, withTotals);
    {
        FillGuard guard(grid, m_filling);
        if (grid->ColumnCount() < 3)
            BuildColumns(grid);
        grid->ClearRows();

        TQueryRef query;
        opened = OpenSql(sql, query);
        if (!opened || query->Dataset()->IsEmpty())
            return opened;
        auto store = std::make_shared<TColumnStore>(query->Dataset()->TakeStore());
        query.Reset();
        problem = AttachResult(grid, store, withRowNumbers);
        if (problem.isEmpty() && withTotals)
            AddTotals(grid, store->RowCount(), halveTotals);
    }
    if (!problem.isEmpty()) {
        if (!m_fromLayout)
            throw Exception(problem);
        RejectLayout(grid, problem);
        return Fill(grid, sql, withTotals, halveTotals, withRowNumbers);
    }
    if (grid->RowCount() > 0)
        grid->SetSelectedRow(0);
    return opened;
}

// Each grid column reads its own result column by name; with row numbers the result's last
// column shows 1, 2, 3 … instead. Returns what does not fit, or nothing.
QString TNextGridManager::AttachResult(TNextGrid* grid, std::shared_ptr<const TColumnStore> store,
                                       bool withRowNumbers)
{
    const int resultColumns = store->ColumnCount();
    if (resultColumns > grid->ColumnCount())
        return QStringLiteral("查询结果有%1列，多于表格的%2列")
            .arg(resultColumns)
            .arg(grid->ColumnCount());
    const int numberColumn = withRowNumbers ? resultColumns - 1 : -1;
    // The statements name the field the grid numbers NumId: any other field there would show
    // row numbers where the actions read its values.
    if (numberColumn >= 0 &&
        grid->Column(numberColumn).Name.compare(QLatin1String("NumId"), Qt::CaseInsensitive) != 0)
        return QStringLiteral("第%1列显示序号，应为字段NumId，却是字段%2")
            .arg(numberColumn + 1)
            .arg(grid->Column(numberColumn).Name);
    std::vector<int> sources(grid->ColumnCount(), -1);
    std::vector<bool> shown(size_t(resultColumns), false);
    for (int i = 0; i < grid->ColumnCount(); ++i) {
        if (i == numberColumn)
            continue;
        sources[i] = store->ColumnIndex(grid->Column(i).Name);
        if (sources[i] < 0 && i < resultColumns)
            return QStringLiteral("查询结果中没有字段%1").arg(grid->Column(i).Name);
        if (sources[i] < 0)
            continue;
        if (shown[size_t(sources[i])])
            return QStringLiteral("字段%1有两列").arg(grid->Column(i).Name);
        shown[size_t(sources[i])] = true;
    }
    // Every field has its column: the actions find the rows' ids and amounts by name.
    for (int s = 0; s < resultColumns; ++s)
        if (!shown[size_t(s)] &&
            (numberColumn < 0 ||
             store->ColumnName(s).compare(QLatin1String("NumId"), Qt::CaseInsensitive) != 0))
            return QStringLiteral("表格中没有字段%1").arg(store->ColumnName(s));
    grid->AttachRows(std::move(store), sources, numberColumn);
    return QString();
}

void TNextGridManager::Prepare(TNextGrid* grid, bool withTotals)
{
    m_filling = true;
    m_totals = withTotals;
    grid->SetSortable(false); // until the whole list is there
    grid->SetAppearanceOptions(aoBoldTextSelection | aoHighlightSlideCells);
    grid->OnBeforeEdit = [this](TNextGrid* g, int, int row, bool& accept) {
        if (m_totals && row == g->RowCount() - 1)
            accept = false;
    };
    grid->OnKeyPress = [](TNextGrid*, QChar&) {};
}

void TNextGridManager::BeginFill(TNextGrid* grid, bool withTotals)
{
    Prepare(grid, withTotals);
    grid->BeginUpdate();
    if (grid->ColumnCount() < 3)
        BuildColumns(grid);
    grid->ClearRows();
    grid->EndUpdate();
    m_bound = false;
}

QString TNextGridManager::AddPart(TNextGrid* grid, std::shared_ptr<const TColumnStore> part,
                                  bool withRowNumbers)
{
    if (part->RowCount() == 0)
        return QString(); // an empty result binds nothing and fits any columns
    if (m_bound) {
        grid->AppendRows(std::move(part));
        return QString();
    }
    const QString problem = AttachResult(grid, std::move(part), withRowNumbers);
    m_bound = problem.isEmpty();
    return problem;
}

QStringList TNextGridManager::NumberColumns(TNextGrid* grid) const
{
    QStringList names;
    for (int i = 0; i < grid->ColumnCount(); ++i)
        if (grid->Column(i).Kind == TNxColumnKind::Number)
            names << grid->Column(i).Name;
    return names;
}

void TNextGridManager::EndFill(TNextGrid* grid, const QStringList& sums)
{
    const int dataRows = grid->RowCount();
    if (m_totals && dataRows > 0 && !sums.isEmpty()) {
        grid->AddRow(1);
        bool captionDone = false;
        qsizetype next = 0;
        for (int i = 0; i < grid->ColumnCount(); ++i) {
            const TNxColumn& c = grid->Column(i);
            if (c.Kind == TNxColumnKind::Number) {
                grid->SetCells(i, dataRows, sums.value(next++));
            } else if (!captionDone && PlainText(grid, i) && c.Visible) {
                grid->SetCells(i, dataRows, QStringLiteral("合计"));
                captionDone = true;
            }
            grid->SetCellColor(i, dataRows, kTotalsColor);
        }
    }
    m_filling = false;
    grid->SetSortable(true);
    if (grid->RowCount() > 0)
        grid->SetSelectedRow(0);
}

bool TNextGridManager::PlainText(TNextGrid* grid, int column) const
{
    return size_t(column) < m_columnKinds.size() ? m_columnKinds[size_t(column)] == 1
                                                 : grid->Column(column).Kind == TNxColumnKind::Text;
}

bool TNextGridManager::FallBackFromLayout(TNextGrid* grid, const QString& problem)
{
    if (!m_fromLayout)
        return false;
    RejectLayout(grid, problem);
    return true;
}

// One row after the data: the exact sum of every number column, "合计" in the first shown
// plain text column.
void TNextGridManager::AddTotals(TNextGrid* grid, int dataRows, bool halveTotals)
{
    bool anyNumber = false;
    for (int i = 0; i < grid->ColumnCount(); ++i)
        anyNumber = anyNumber || grid->Column(i).Kind == TNxColumnKind::Number;
    if (!anyNumber)
        return;
    grid->AddRow(1);
    bool captionDone = false;
    for (int i = 0; i < grid->ColumnCount(); ++i) {
        const TNxColumn& c = grid->Column(i);
        const bool plainText = PlainText(grid, i);
        if (c.Kind == TNxColumnKind::Number) {
            // Ten-thousandths summed in 128 bits: never doubles, never a wrap.
            TMoneySum sum;
            for (int r = 0; r < dataRows; ++r)
                grid->AddCellToSum(i, r, sum);
            if (halveTotals)
                sum.Halve();
            grid->SetCells(i, dataRows, sum.Text());
        } else if (!captionDone && plainText && c.Visible) {
            grid->SetCells(i, dataRows, QStringLiteral("合计"));
            captionDone = true;
        }
        grid->SetCellColor(i, dataRows, kTotalsColor);
    }
}

// A layout file that does not fit the statement is named once; the built-in columns serve.
void TNextGridManager::RejectLayout(TNextGrid* grid, const QString& problem)
{
    m_layoutRejected = true;
    m_definitions = m_builtIn;
    BuildColumns(grid);
    ShowMessage(QStringLiteral("列格式文件%1与列表的查询不符：%2。\n已改用内置的列。")
                    .arg(QDir::toNativeSeparators(m_layoutPath), problem),
                CaptionInfo(), MsgIcon::Warning);
}

QString TNextGridManager::GetText(TNextGrid* grid, int row, const QString& columnName) const
{
    return grid->Cells(grid->ColumnIndex(columnName), row);
}

Currency TNextGridManager::GetCurrency(TNextGrid* grid, int row, const QString& columnName) const
{
    return AmountOf(GetText(grid, row, columnName));
}

Currency TNextGridManager::AmountOf(const QString& text)
{
    const auto value = Currency::FromText(text);
    if (value)
        return *value;
    bool number = false;
    text.toDouble(&number);
    if (number)
        throw Exception(QStringLiteral("金额%1超出可处理的范围。").arg(text));
    throw Exception(QStringLiteral("“%1”不是有效的金额。").arg(text));
}
