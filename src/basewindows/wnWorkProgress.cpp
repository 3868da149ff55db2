#include "basewindows/wnWorkProgress.h"

#include "context/untWorkContext.h"
#include "platform/untApplication.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TfrmWorkProgress::TfrmWorkProgress(QWidget* window)
    : QDialog(window, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_btnCancel(new QPushButton(QStringLiteral("取消"), this)), m_label(new QLabel(this)),
      m_bar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("dlgWorkProgress"));
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    setWindowModality(Qt::NonModal); // the window's own controls wait; the host does not
    m_label->setMinimumWidth(320);
    m_bar->setTextVisible(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
    connect(m_btnCancel, &QPushButton::clicked, this, &TfrmWorkProgress::CancelClicked);
}

void TfrmWorkProgress::Begin(const QString& title)
{
    setWindowTitle(title);
    m_cancelling = false;
    m_btnCancel->setEnabled(true);
    m_phase = QStringLiteral("正在%1…").arg(title);
    SetProgress(0, 0);
}

void TfrmWorkProgress::SetPhase(const QString& text)
{
    m_phase = text;
    ShowText();
}

void TfrmWorkProgress::SetProgress(int done, int total)
{
    m_done = done;
    m_total = total;
    m_bar->setRange(0, total > 0 ? total : 0); // 0..0: busy, no end known
    if (total > 0)
        m_bar->setValue(std::min(done, total));
    ShowText();
}

void TfrmWorkProgress::ShowCancelling()
{
    m_cancelling = true;
    m_btnCancel->setEnabled(false);
    ShowText();
}

QString TfrmWorkProgress::PhaseText() const
{
    return m_label->text();
}

void TfrmWorkProgress::ShowText()
{
    QString text = m_phase;
    if (m_total > 0)
        text += QStringLiteral("  %L1 / %L2").arg(m_done).arg(m_total);
    else if (m_done > 0)
        text += QStringLiteral("  %L1").arg(m_done);
    if (m_cancelling)
        text = QStringLiteral("正在取消…（%1）").arg(text);
    m_label->setText(text);
}

void TfrmWorkProgress::reject()
{
    emit CancelClicked(); // Escape cancels the work; the window stays until the work ends
}

void TfrmWorkProgress::closeEvent(QCloseEvent* e)
{
    e->ignore();
    emit CancelClicked();
}

// ---- the window's work ----

TWindowWork::TWindowWork(QWidget* window, std::function<void(bool)> block)
    : QObject(window), m_window(window), m_block(std::move(block))
{
}

TWindowWork::~TWindowWork()
{
    delete m_runner; // cancels and joins before anything of the window goes
    m_runner = nullptr;
}

bool TWindowWork::Run(const QString& title, TWorkJob job, Done done, Connection connection,
                      int showAfterMillis)
{
    if (Busy() || m_closePending)
        return false;
    TAdoConn* def = GetDefConnection();
    if (!def || (connection == Connection::Needed && !def->Connected())) {
        ShowMessage(QStringLiteral("无法开始%1：%2").arg(title, LastDbError()), CaptionRefuse(),
                    MsgIcon::Error);
        return false;
    }
    if (!m_runner) {
        m_runner = new TWorkRunner(def, this);
        m_progress = new TfrmWorkProgress(m_window);
        connect(m_progress, &TfrmWorkProgress::CancelClicked, this, &TWindowWork::Cancel);
        connect(m_runner, &TWorkRunner::PhaseChanged, m_progress, &TfrmWorkProgress::SetPhase);
        connect(m_runner, &TWorkRunner::ProgressChanged, m_progress,
                &TfrmWorkProgress::SetProgress);
        connect(m_runner, &TWorkRunner::Question, this, [this](const MessageRecord& q) {
            const QPointer<TWorkRunner> runner = m_runner;
            int answer = mrCancel;
            Guarded(m_window, [&] { answer = ShowMessage(q.Text, q.Caption, q.Icon, q.Buttons); });
            if (runner)
                runner->Answer(answer);
            // The keys (Escape: cancel) are the progress window's again, not the window's below.
            if (m_progress->isVisible()) {
                m_progress->raise();
                m_progress->activateWindow();
            }
        });
        connect(m_runner, &TWorkRunner::Finished, this,
                [this](TWorkOutcome outcome, const QString& error) {
                    if (m_asking) {
                        // The question is out of date: it ends as answered 否 and what the
                        // work did is said at once.
                        m_endedWhileAsking.emplace(outcome, error);
                        EndShownMessage(m_askDepth, mrNo);
                    } else
                        Finish(outcome, error);
                });
    }
    m_title = title;
    m_done = std::move(done);
    m_runner->Start(std::move(job));
    m_block(true);
    m_progress->Begin(title);
    ++m_run;
    if (showAfterMillis <= 0)
        ShowProgress();
    else
        QTimer::singleShot(showAfterMillis, this, [this, run = m_run] {
            if (run == m_run && Busy())
                ShowProgress();
        });
    return true;
}

// Over the middle of the window, in front.
void TWindowWork::ShowProgress()
{
    // Over a modal dialog it is modal to the dialog: a click on a window the dialog blocks
    // brings the topmost modal window forward, which then is this one, not the dialog over it.
    m_progress->setWindowModality(m_window->isModal() ? Qt::WindowModal : Qt::NonModal);
    m_progress->adjustSize();
    const QPoint centre = m_window->mapToGlobal(m_window->rect().center());
    m_progress->move(centre - QPoint(m_progress->width() / 2, m_progress->height() / 2));
    m_progress->show();
    m_progress->raise();
    m_progress->activateWindow();
}

void TWindowWork::Cancel()
{
    if (!Busy())
        return;
    m_runner->Cancel();
    m_progress->ShowCancelling();
}

TWindowWork::CloseAnswer TWindowWork::AskToClose()
{
    if (!Busy())
        return CloseAnswer::CloseNow;
    if (m_closePending)
        return CloseAnswer::Wait;
    m_asking = true;
    m_askDepth = ShownMessages();
    const int answer =
        ShowMessage(QStringLiteral("%1尚未完成。要取消它并关闭窗口吗？\n取消的操作不写入任何数据。")
                        .arg(m_title),
                    CaptionConfirm(), MsgIcon::Question, MsgButtons::YesNo);
    m_asking = false;
    if (m_endedWhileAsking) {
        // It ended while the operator was asked: what it did is said before anything closes.
        const auto [outcome, error] = *std::exchange(m_endedWhileAsking, std::nullopt);
        const QPointer<TWindowWork> self(this);
        Finish(outcome, error);
        if (!self)
            return CloseAnswer::Stay;
    }
    if (answer != mrYes)
        return CloseAnswer::Stay;
    if (!Busy())
        return CloseAnswer::CloseNow;
    m_closePending = true;
    m_window->setProperty("closePending", true); // the host waits for such a window
    Cancel();
    return CloseAnswer::Wait;
}

void TWindowWork::Finish(TWorkOutcome outcome, const QString& error)
{
    m_progress->hide();
    m_block(false);
    const Done done = std::move(m_done);
    m_done = nullptr;
    const QPointer<TWindowWork> self(this);
    if (done)
        Guarded(m_window, [&] { done(outcome, error); });
    if (!self || !m_closePending || Busy())
        return;
    m_closePending = false;
    m_window->close();
}
