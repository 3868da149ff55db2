#include "controls/TFindBar.h"

#include "controls/TNextGrid.h"
#include "controls/untGridSearch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

TFindBar::TFindBar(TNextGrid* grid, QWidget* shortcutScope, QWidget* parent)
    : QWidget(parent), m_grid(grid), m_searchTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("FindBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(QStringLiteral("查找:"), this));
    edtFind = new QLineEdit(this);
    edtFind->setObjectName(QStringLiteral("edtFind"));
    edtFind->setClearButtonEnabled(true);
    edtFind->setMinimumWidth(160);
    layout->addWidget(edtFind);
    layout->addWidget(new QLabel(QStringLiteral("范围:"), this));
    cobColumn = new QComboBox(this);
    cobColumn->setObjectName(QStringLiteral("cobColumn"));
    cobColumn->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    layout->addWidget(cobColumn);
    chkWhole = new QCheckBox(QStringLiteral("整个单元格"), this);
    chkWhole->setObjectName(QStringLiteral("chkWhole"));
    layout->addWidget(chkWhole);
    auto button = [this, layout](const char* name, const QString& text, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(tip);
        b->setAutoRaise(true);
        layout->addWidget(b);
        return b;
    };
    btnPrevious = button("btnPrevious", QStringLiteral("上一个"), QStringLiteral("Shift+F3"));
    btnNext = button("btnNext", QStringLiteral("下一个"), QStringLiteral("Enter, F3"));
    labCount = new QLabel(this);
    labCount->setObjectName(QStringLiteral("labCount"));
    labCount->setMinimumWidth(
        labCount->fontMetrics().horizontalAdvance(QStringLiteral("第 000,000 个，共 000,000 个")));
    layout->addWidget(labCount);
    layout->addStretch(1);
    btnClose = button("btnClose", QStringLiteral("×"), QStringLiteral("关闭 (Esc)"));

    connect(m_searchTimer, &QTimer::timeout, this, &TFindBar::SearchOn);
    connect(edtFind, &QLineEdit::returnPressed, this, [this] { FindNext(false); });
    connect(btnNext, &QToolButton::clicked, this, [this] { FindNext(false); });
    connect(btnPrevious, &QToolButton::clicked, this, [this] { FindNext(true); });
    connect(btnClose, &QToolButton::clicked, this, &TFindBar::Close);
    connect(edtFind, &QLineEdit::textChanged, this, [this] {
        Forget();
        labCount->clear();
    });
    connect(cobColumn, &QComboBox::currentIndexChanged, this, [this] { Forget(); });
    connect(chkWhole, &QCheckBox::toggled, this, [this] { Forget(); });
    // Any change of the grid's rows or cells (a new list, a sort, a written cell).
    QAbstractItemModel* model = grid->model();
    connect(model, &QAbstractItemModel::modelReset, this, [this] { Forget(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { Forget(); });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] { Forget(); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { Forget(); });
    connect(model, &QAbstractItemModel::dataChanged, this, [this] { Forget(); });

    auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), shortcutScope);
    f3->setContext(Qt::WidgetWithChildrenShortcut);
    connect(f3, &QShortcut::activated, this, [this] {
        if (isHidden() || edtFind->text().isEmpty())
            Open();
        else
            FindNext(false);
    });
    auto* shiftF3 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), shortcutScope);
    shiftF3->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shiftF3, &QShortcut::activated, this, [this] {
        if (isHidden() || edtFind->text().isEmpty())
            Open();
        else
            FindNext(true);
    });
    hide();
}

TFindBar::~TFindBar() = default;

void TFindBar::SetSearchSteps(int budgetMs, int nearRows)
{
    m_budgetMs = budgetMs;
    m_nearRows = nearRows;
}

void TFindBar::Forget()
{
    m_valid = false;
    m_pending = 0;
    m_searchTimer->stop();
    if (m_search) {
        m_search.reset();
        labCount->clear(); // the count it was making
    }
}

void TFindBar::FillColumns()
{
    const int chosen = cobColumn->currentData().isValid() ? cobColumn->currentData().toInt() : -1;
    QSignalBlocker block(cobColumn);
    cobColumn->clear();
    cobColumn->addItem(QStringLiteral("全部显示的列"), -1);
    for (int i = 0; i < m_grid->ColumnCount(); ++i) {
        const TNxColumn& c = m_grid->Column(i);
        if (c.Visible && c.Kind != TNxColumnKind::CheckBox && !c.Caption.isEmpty())
            cobColumn->addItem(c.Caption, i);
    }
    const int at = cobColumn->findData(chosen);
    cobColumn->setCurrentIndex(at < 0 ? 0 : at);
    Forget();
}

void TFindBar::Open()
{
    FillColumns();
    show();
    edtFind->setFocus(Qt::ShortcutFocusReason);
    edtFind->selectAll();
}

void TFindBar::Close()
{
    Forget();
    hide();
    m_grid->setFocus(Qt::OtherFocusReason);
}

bool TFindBar::FindNext(bool backwards)
{
    if (edtFind->text().isEmpty()) {
        labCount->clear();
        return false;
    }
    if (m_valid)
        return Step(backwards);
    if (!m_search) {
        const QVariant column = cobColumn->currentData(); // none before the first Open
        m_search = std::make_unique<TGridSearch>(
            *m_grid, TTextMatcher(edtFind->text(), chkWhole->isChecked()),
            column.isValid() ? column.toInt() : -1);
    }
    if (m_search->Run(m_budgetMs)) {
        m_rows = m_search->Rows();
        m_search.reset();
        m_valid = true;
        return Step(backwards);
    }
    // A long list: the nearest match at once, the count once the search ends.
    const int near = m_search->Near(m_grid->SelectedRow(), backwards, m_nearRows);
    m_pending = near < 0 ? (backwards ? -1 : 1) : 0;
    if (near >= 0)
        GoTo(near);
    labCount->setText(near < 0 ? QStringLiteral("正在查找…") : QStringLiteral("正在计数…"));
    m_searchTimer->start(0);
    return near >= 0;
}

void TFindBar::SearchOn()
{
    if (m_search && !m_search->Run(m_budgetMs))
        return;
    m_searchTimer->stop();
    if (!m_search)
        return;
    m_rows = m_search->Rows();
    m_search.reset();
    m_valid = true;
    if (const int pending = std::exchange(m_pending, 0)) {
        Step(pending < 0);
        return;
    }
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), m_grid->SelectedRow());
    ShowCount(it != m_rows.end() && *it == m_grid->SelectedRow() ? int(it - m_rows.begin()) : -1);
}

void TFindBar::ShowCount(int at)
{
    const QString total = QLocale().toString(qlonglong(m_rows.size()));
    labCount->setText(
        at < 0 ? QStringLiteral("共 %1 个").arg(total)
               : QStringLiteral("第 %1 个，共 %2 个").arg(QLocale().toString(at + 1), total));
}

bool TFindBar::Step(bool backwards)
{
    const int at = StepToMatch(m_rows, m_grid->SelectedRow(), backwards);
    if (at < 0) {
        labCount->setText(QStringLiteral("没有找到"));
        return false;
    }
    GoTo(m_rows[size_t(at)]);
    ShowCount(at);
    return true;
}

void TFindBar::GoTo(int row)
{
    m_grid->SetSelectedRow(row);
    m_grid->scrollTo(m_grid->currentIndex());
}

bool TFindBar::event(QEvent* e)
{
    // Escape is the bar's own: no shortcut of the window may take it.
    if (e->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        e->accept();
        return true;
    }
    return QWidget::event(e);
}

void TFindBar::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        Close();
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}
