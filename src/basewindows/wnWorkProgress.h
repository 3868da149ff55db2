#pragma once
// A window's long work: the progress window over it, and its closing held until the work ends.

#include "support/untWorkRunner.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <optional>
#include <utility>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress window of long work: the work's title, its phase with a count, a bar and 取消.
// 取消, Escape and its close box all cancel; it hides only when the work has ended.
class TfrmWorkProgress : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmWorkProgress(QWidget* window);
    void Begin(const QString& title);
    void SetPhase(const QString& text);
    void SetProgress(int done, int total);
    void ShowCancelling();
    QString PhaseText() const;
    // 取消.
    QPushButton* CancelButton() const { return m_btnCancel; }

    void reject() override;

signals:
    void CancelClicked();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void ShowText();
    QPushButton* m_btnCancel;
    QLabel* m_label;
    QProgressBar* m_bar;
    QString m_phase;
    int m_done = 0;
    int m_total = 0;
    bool m_cancelling = false;
};

// The long work of one window: a job at a time runs on the window's runner (made on first use
// with a copy of "Def") while the progress window stands over the window and the window's own
// controls wait (its frame, and the host around it, stay usable). The window cannot be
// destroyed under its work: closing it asks whether to cancel, cancels, waits for the end,
// then closes it; destroying it anyway cancels and waits for the worker.
class TWindowWork : public QObject
{
    Q_OBJECT
public:
    // `block(true)` disables what the window must not do while work runs, `block(false)`
    // gives it back.
    TWindowWork(QWidget* window, std::function<void(bool busy)> block);
    ~TWindowWork() override;

    using Done = std::function<void(TWorkOutcome outcome, const QString& error)>;
    // Whether the job reads or writes the database: such a job does not start while "Def" is
    // closed (a lost connection stays lost: its reason is said instead).
    enum class Connection { Needed, NotNeeded };
    // Starts the job; `done` runs on the window's thread once it has ended. The window waits
    // at once; the progress window shows after `showAfterMillis` (0: at once) unless the work
    // has ended by then. False (nothing started) while other work runs, while the window is
    // closing, or without a connection.
    bool Run(const QString& title, TWorkJob job, Done done,
             Connection connection = Connection::Needed, int showAfterMillis = 0);
    bool Busy() const { return m_runner && m_runner->Busy(); }
    void Cancel();

    enum class CloseAnswer { CloseNow, Wait, Stay };
    // The window is asked to close: CloseNow when no work runs; else asks the operator
    // whether to cancel the work: Wait (cancelled; the window closes itself when it has
    // ended) or Stay.
    CloseAnswer AskToClose();
    bool ClosePending() const { return m_closePending; }

    TfrmWorkProgress* ProgressWindow() const { return m_progress; }
    TWorkRunner* Runner() const { return m_runner; }

private:
    void Finish(TWorkOutcome outcome, const QString& error);
    void ShowProgress();

    QWidget* m_window;
    std::function<void(bool)> m_block;
    TWorkRunner* m_runner = nullptr;        // a child: destroyed (cancelled, joined) with this
    TfrmWorkProgress* m_progress = nullptr; // a child of the window
    QString m_title;
    Done m_done;
    bool m_closePending = false;
    // Set while the close question is up: work that ends meanwhile says its outcome after
    // the answer, not over the question.
    bool m_asking = false;
    int m_askDepth = 0; // the question's place among the open message boxes
    std::optional<std::pair<TWorkOutcome, QString>> m_endedWhileAsking;
    int m_run = 0; // the job's number: a late show belongs to the job it was set for
};
