#pragma once
// The indicator list window: unit tree, filters, the list with totals and its actions.

#include "listwindow/bwnQuindleList.h"
#include "basewindows/wnBsTrvTC.h"

#include <memory>

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QRadioButton;
class QToolButton;
class QTreeWidgetItem;
class TBudgetManage;
struct TBulkResult;
class TColumnStore;
class TListLoader;
class TDynamicTree;
class TFindBar;
class TNextGrid;
class TNextGridManager;
struct TPrintDocument;

// The indicator list window "预算指标录入": unit tree, filters, the list with totals, marks,
// delete and amount copies.
class TbfrmQuindle : public TfrmBsTrvTC
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TbfrmQuindle(QObject* owner);
    ~TbfrmQuindle() override;

    // Window state
    QString SelectedUnitCode;
    QString SelectedUnitName;
    QString MoneyKindCode;
    QString SourceCode;
    QString BTypeIndex;

    // Controls
    QAction* tbtnAdd;
    QAction* tbtnMod;
    QAction* tbtnDel;
    QAction* tbtnExport;
    QAction* tbtnColse;
    QAction* mnuShowUT;
    QAction* mimExcel;
    QAction* mnuCarry;
    QAction* mnuDeleted;
    QAction* mnuSummary;
    QAction* mnuColse;
    QAction* mnuAdd;
    QAction* mnuMod;
    QAction* mnuDel;
    QAction* mnuExport;
    QAction* mnuFind;
    QAction* mnuPrint;
    QAction* mnuPdf;
    QFrame* Panel1;
    QFrame* Panel2;
    QToolButton* sbtnHindUT;
    QGroupBox* rgpShowEid;
    QRadioButton* rgpShowEidItems[2];
    QComboBox* cobBType;
    QLabel* labbkid;
    QComboBox* cobbkid;
    QComboBox* cobMid;
    QFrame* pnlChild;
    QComboBox* cobChild;
    TNextGrid* ngdBudget;
    TFindBar* FindBar; // 查找: over the grid, Escape closes it
    QMenu* pmenu;
    QAction* pmuAll;
    QAction* pmuClear;
    QAction* N4;
    QAction* N5;
    QAction* mnuHistory;
    TDynamicTree* DytDept;
    QLabel* labStatus; // rows read while the list arrives, then how many there are

    TNextGridManager* GridManager() const { return m_gridManager.get(); }
    TBudgetManage* Store() const { return m_store.get(); }
    // The rule for adding holds (unit ending in 001, money kind and source chosen).
    bool AddRuleMet() const { return m_addRuleMet; }
    int RowsListed() const;
    // True while the list's rows are still arriving.
    bool Filling() const { return m_filling; }

    // Filter handling (the handlers of the lists, the tree and the radio group)
    void RunListQuery();
    void UpdateActionStates();
    void BuildUnitTree();
    void UpdateSubTypePanel();
    QString GetSourceCode() const;
    ListFilter CurrentFilter();
    void cobBTypeChange();
    void cobbkidChange();
    void cobMidChange();
    void cobChildChange();
    void trvListChange(QTreeWidgetItem* node);
    void rgpShowEidClick();

    // Actions
    void tbtnAddClick();
    int AddIndicator();
    void tbtnModClick();
    int ModifyIndicator();
    void tbtnDelClick();
    void pmuAllClick();
    void pmuClearClick();
    void N4Click();
    void N5Click();
    void mimExcelClick();
    // Carries last year's indicators of the listed scope into the working year, after asking.
    void mnuCarryClick();
    // 指标历史 of the selected indicator (Ctrl+H, the grid's menu).
    void mnuHistoryClick();
    // 已删除的指标 of the working year and the listed unit scope, with 恢复.
    void mnuDeletedClick();
    // Asks for a file (workbook or CSV) and writes the list as shown to it.
    void tbtnExportClick();
    // Starts writing the list as shown beside the window (a progress window can cancel); false
    // when it cannot start. The status bar and, when asked for, a message tell how it ended.
    bool ExportList(const QString& path);
    QString ExportSheetName() const;
    // 辅助功能 → 汇总分析: the summary window, on the list's unit scope and filters.
    void mnuSummaryClick();
    // What 汇总分析 opens, set where the windows are registered: the list's own files do not
    // know the summary window, which opens lists in its turn.
    static void SetSummaryOpener(std::function<void(TbfrmQuindle* list)> opener);
    // Lists the scope given (a summary's group): its filters and unit are chosen, and its
    // narrower restrictions (expenditure type, subject, month) hold until the operator picks
    // another unit or filter. False (nothing changed) while the window's work runs.
    bool ShowScope(const ListFilter& filter, const QString& unitName, const QString& caption);
    // The narrower restriction in force, as the tool bar names it; empty when none.
    QString GroupScopeCaption() const { return m_groupCaption; }
    // The file the save dialogs propose: the list's name in the folder that took the last file.
    QString ExportProposal() const;
    void RememberExportFolder(const QString& path);
    // 打印…: the print preview of the list as shown; its print button prints it on the window's
    // work.
    void mnuPrintClick();
    // 导出PDF…: asks for a file and writes the list's printed pages to it.
    void mnuPdfClick();
    // Starts writing the printed pages beside the window (a progress window can cancel); false
    // when it cannot start.
    bool ExportPdf(const QString& path);
    // The list as shown with its title, filters, operator and date, as printed.
    TPrintDocument PrintDocument() const;
    // Opens the find bar over the grid.
    void mnuFindClick();
    void mnuShowUTClick();
    void sbtnHindUTClick();
    void Splitter1Moved(int pos);
    void tbtnColseClick();

signals:
    void ListRowsArrived(int rowsRead);
    // The list is complete (or could not be read).
    void ListFilled();

protected:
    void FormCreate() override;
    void FormShow() override;
    void FormClose() override;

private:
    void BuildToolBarAndMenus();
    void BuildLeftPanel();
    void BuildFilterPanel();
    void BuildGrid();
    void Wire(QAction* action, void (TbfrmQuindle::*handler)());
    void CopyAmounts(bool fromEntered);
    void BulkFinished(const TBulkResult& r, const QString& success, const QString& what);
    void RestoreLayout();
    void SaveLayout();
    void ListPart(std::shared_ptr<const TColumnStore> part);
    void ListFinished(bool ok, const QString& error, const QStringList& sums);
    void FinishList(bool ok, const QString& error);
    void ShowReading();
    void FitIdColumn();
    void SelectSavedIndicator(bool listRead);
    void ClearGroupScope();

    std::unique_ptr<TBudgetManage> m_store;
    std::unique_ptr<TNextGridManager> m_gridManager;
    bool m_fewUnits = false;
    bool m_shown = false;
    bool m_addRuleMet = false;
    bool m_listFailed = false; // the last list statement could not be read
    QString m_selectAfterList; // the indicator just saved: selected again once the list is read
    bool m_filling = false;
    int m_rowsRead = 0;
    ListFilter m_groupScope; // only its narrower restrictions count
    QString m_groupCaption;
    std::unique_ptr<TListLoader> m_loader;
};

class TTreeView;
// The unit a node of the unit tree stands for (the top node: the operator's three-character
// prefix and unit name); code and name stay as they were for a node without one.
void UnitOfNode(const TTreeView* tree, QTreeWidgetItem* node, QString& code, QString& name);
// Makes the unit's node the current one without the tree telling anyone (none when it is not
// in the tree).
void SelectUnitNode(TTreeView* tree, const QString& code);
// Fills the tree with the operator's units (only those entered for others when asked), the
// virtual top node "预算单位" first.
void SetUpUnitTree(TDynamicTree* tree, TTreeView* view, bool entrustedOnly);
// FillMoneyKinds' list type for a budget source and the chosen unit: 0 for source 21 of a
// department-level operator's own unit (or the top node), else 1.
int MoneyKindListType(const QString& sourceCode, const QString& selectedUnit);

// Registers the window class with the plug-in's class registry.
void RegisterListWindow();
// Asks the host for a sibling plug-in's window through its exported ShowAWindow.
void OpenSiblingWindow(const QString& libraryName, const QString& className);
