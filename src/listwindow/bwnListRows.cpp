#include "listwindow/bwnListRows.h"

#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "listwindow/bwnQuindleList.h"
#include "platform/untApplication.h"
#include "support/gunNextGridManager.h"
#include "support/untListLoader.h"

#include <QLabel>
#include <utility>

TListRows::TListRows(const TListControls& ui, QObject* window) : m_ui(ui), m_window(window) {}

TListRows::~TListRows() = default;

void TListRows::Start()
{
    m_manager = std::make_unique<TNextGridManager>(ListColumnDefinitions(SysParams().BureauMode),
                                                   QStringLiteral("ngdBudget"));
    m_manager->BuildColumns(m_ui.ngdBudget);
    TAdoConn* def = GetDefConnection();
    if (!def)
        return;
    m_loader = std::make_unique<TListLoader>(def, this);
    connect(m_loader.get(), &TListLoader::Part, this,
            [this](std::shared_ptr<const TColumnStore> part) {
                Guarded(m_window, [this, &part] { Part(std::move(part)); });
            });
    connect(m_loader.get(), &TListLoader::Finished, this,
            [this](int, bool ok, const QString& error, const QStringList& sums) {
                Guarded(m_window, [&] { Finished(ok, error, sums); });
            });
}

void TListRows::Run(const QString& sql, const QString& caption)
{
    if (!m_manager || !m_loader)
        return;
    m_sql = sql;
    m_caption = caption;
    TListLoader::Release(
        m_ui.ngdBudget->TakeRows()); // a long list's memory is freed off this thread
    m_manager->BeginFill(m_ui.ngdBudget, true);
    m_failed = false;
    m_filling = true;
    m_rowsRead = 0;
    emit StateChanged();
    // A connection that was closed stays closed (it was lost): no list is read beside it.
    if (!GetDefConnection()->Connected()) {
        m_loader->Cancel();
        m_manager->EndFill(m_ui.ngdBudget, QStringList());
        Finish(false, LastDbError());
        return;
    }
    ShowReading();
    m_loader->Start(sql, m_manager->NumberColumns(m_ui.ngdBudget));
}

void TListRows::Stop()
{
    m_loader.reset();
    TListLoader::Release(m_ui.ngdBudget->TakeRows());
    m_filling = false;
}

void TListRows::Drop()
{
    m_ui.ngdBudget->OnBeforeEdit = nullptr; // it points into the manager
    m_manager.reset();
}

int TListRows::Count() const
{
    return m_ui.ngdBudget->RowCount();
}

void TListRows::Part(std::shared_ptr<const TColumnStore> part)
{
    if (!m_manager || !m_filling)
        return;
    const bool first = m_rowsRead == 0;
    m_rowsRead += part->RowCount();
    const QString problem = m_manager->AddPart(m_ui.ngdBudget, std::move(part), true);
    if (problem.isEmpty()) {
        if (first)
            FitIdColumn(); // the first screenful shows whole ids
        ShowReading();
        emit RowsArrived(m_rowsRead);
        return;
    }
    m_loader->Cancel();
    if (m_manager->FallBackFromLayout(m_ui.ngdBudget, problem)) {
        Run(m_sql, m_caption); // again, with the built-in columns
        return;
    }
    TListLoader::Release(m_ui.ngdBudget->TakeRows());
    Finish(false, problem);
}

void TListRows::Finished(bool ok, const QString& error, const QStringList& sums)
{
    if (!m_manager)
        return;
    if (!ok) // a list that could not be read is not shown in part
        TListLoader::Release(m_ui.ngdBudget->TakeRows());
    m_manager->EndFill(m_ui.ngdBudget, ok ? sums : QStringList());
    Finish(ok, error);
}

void TListRows::Finish(bool ok, const QString& error)
{
    m_filling = false;
    m_failed = !ok;
    FitIdColumn();
    emit StateChanged();
    QString status = ok ? QStringLiteral("共 %L1 条").arg(m_rowsRead) : QString();
    if (ok && !m_caption.isEmpty())
        status += QStringLiteral("（%1）").arg(m_caption);
    m_ui.labStatus->setText(status);
    SelectSaved(ok);
    emit Filled();
    // A list that could not be read is never presented as "no indicators".
    if (!ok)
        ShowMessage(QStringLiteral("无法读取预算指标：%1").arg(error), CaptionRefuse(),
                    MsgIcon::Error);
}

// After an add or a modify the list is read again: the operator stays on the indicator saved
// rather than being taken back to the top of a long list.
void TListRows::SelectSaved(bool listRead)
{
    const QString id = std::exchange(m_selectAfter, QString());
    const int idColumn = m_ui.ngdBudget->ColumnIndex(QStringLiteral("budgid"));
    if (!listRead || id.isEmpty() || idColumn < 0)
        return;
    const std::vector<int> rows = m_ui.ngdBudget->FindRows(TTextMatcher(id, true), idColumn);
    if (rows.empty())
        return; // filtered out of this list
    m_ui.ngdBudget->SetSelectedRow(rows.front());
    m_ui.ngdBudget->ScrollToCurrentRow();
}

void TListRows::FitIdColumn()
{
    const int idColumn = m_ui.ngdBudget->ColumnIndex(QStringLiteral("budgid"));
    if (idColumn >= 0)
        m_ui.ngdBudget->FitColumnWidth(idColumn, 35); // ids grow with the list
}

void TListRows::ShowReading()
{
    m_ui.labStatus->setText(QStringLiteral("正在读取… 已读 %L1 条").arg(m_rowsRead));
}
