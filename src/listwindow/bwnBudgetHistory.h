#pragma once
// The dialogs of the history of changes: an indicator's versions, the deleted indicators.

#include <QDialog>
#include <QString>

class QLabel;
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

// 已删除的指标: the indicators deleted in the year and unit scope; 恢复 puts the selected ones
// back.
class TfrmDeletedBudgets : public QDialog
{
public:
    TfrmDeletedBudgets(int dataYear, const QString& unitPrefix, QWidget* parent = nullptr);
    // At least one indicator was restored (the list must be read again).
    bool Restored() const { return m_restored > 0; }
    void btnRestoreClick();

private:
    QTableWidget* grdDeleted;
    QLabel* labNote; // shown when there is nothing to list
    QPushButton* btnRestore;
    void Fill();
    int m_dataYear;
    QString m_unitPrefix;
    QStringList m_histIds;
    int m_restored = 0;
};
