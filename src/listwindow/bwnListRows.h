#pragma once
// The list window's rows: read beside the window in parts, totals, the indicator kept selected.

#include "listwindow/bwnListControls.h"

#include <QObject>
#include <QString>
#include <memory>

class TColumnStore;
class TListLoader;
class TNextGridManager;

// Reads the list statement on the loader's thread into the grid; a new statement (or closing)
// cancels the one still running. A list that could not be read is never shown in part.
class TListRows : public QObject
{
    Q_OBJECT
public:
    // `window` reports the errors of the handlers.
    TListRows(const TListControls& ui, QObject* window);
    ~TListRows() override;

    // The list's columns (or the layout file's) and the loader on the default connection.
    void Start();
    // Reads the statement's rows; `caption` names a summary group's restriction in the count.
    void Run(const QString& sql, const QString& caption);
    // A list still read is cancelled and its thread ends; a long list is freed off this thread.
    void Stop();
    // The columns go with the window.
    void Drop();

    TNextGridManager* Manager() const { return m_manager.get(); }
    int Count() const;
    int RowsRead() const { return m_rowsRead; }
    // True while the rows are still arriving.
    bool Filling() const { return m_filling; }
    // The whole list is there (what acts on the list waits until then).
    bool Ready() const { return !m_failed && !m_filling; }
    // The last statement could not be read (and none is running).
    bool Failed() const { return m_failed && !m_filling; }
    // The indicator just saved: selected again once the list is read.
    void SelectAfterList(const QString& id) { m_selectAfter = id; }

signals:
    void RowsArrived(int rowsRead);
    // The list is complete (or could not be read).
    void Filled();
    // Filling or Ready changed: the actions follow.
    void StateChanged();

private:
    void Part(std::shared_ptr<const TColumnStore> part);
    void Finished(bool ok, const QString& error, const QStringList& sums);
    void Finish(bool ok, const QString& error);
    void ShowReading();
    void FitIdColumn();
    void SelectSaved(bool listRead);

    const TListControls& m_ui;
    QObject* m_window;
    std::unique_ptr<TNextGridManager> m_manager;
    std::unique_ptr<TListLoader> m_loader;
    QString m_sql;
    QString m_caption;
    QString m_selectAfter;
    bool m_filling = false;
    bool m_failed = false; // the last statement could not be read
    int m_rowsRead = 0;
};
