#pragma once
// The dialogs of the history of changes: an indicator's versions, the deleted indicators.

#include "basewindows/wnBase.h"
#include "budget/gunBudgetHistory.h"

#include <QDialog>
#include <QString>
#include <vector>

class QLabel;
class QTableView;
class QTableWidget;
class QPushButton;

// 指标历史: the versions of one indicator, newest first, each changed field old → new.
class TfrmBudgetHistory : public QDialog
{
public:
    TfrmBudgetHistory(int dataYear, const QString& budgId, QWidget* parent = nullptr);
    int Versions() const;

private:
    QTableWidget* grdVersions;
    QLabel* labNote; // shown when there is nothing to list
};

class TDeletedBudgetsModel;

// 已删除的指标: the indicators deleted in the year and unit scope; 恢复 puts the selected ones
// back. A bulk delete leaves hundreds of thousands: reading them and restoring run beside the
// dialog with the progress window's 取消, the list is a model's.
class TfrmDeletedBudgets : public TfrmBase
{
public:
    TfrmDeletedBudgets(int dataYear, const QString& unitPrefix, QWidget* parent = nullptr);
    // At least one indicator was restored (the list must be read again).
    bool Restored() const { return m_restored > 0; }
    void btnRestoreClick();
    // Reads the list again beside the dialog (it is first read once the dialog runs).
    void Fill();

private:
    void Filled(std::vector<TDeletedBudget>&& rows, const QString& failure);
    QTableView* grdDeleted;
    TDeletedBudgetsModel* m_model;
    QLabel* labNote; // says why nothing is listed
    QPushButton* btnRestore;
    int m_dataYear;
    QString m_unitPrefix;
    int m_restored = 0;
};
