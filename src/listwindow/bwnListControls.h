#pragma once
// The list window's controls, under the names its callers and layout files know.

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QRadioButton;
class QToolButton;
class TDynamicTree;
class TFindBar;
class TNextGrid;

// Built by the window; its concerns and tests reach the controls through it.
struct TListControls {
    QAction* tbtnAdd = nullptr;
    QAction* tbtnMod = nullptr;
    QAction* tbtnDel = nullptr;
    QAction* tbtnExport = nullptr;
    QAction* tbtnColse = nullptr;
    QAction* mnuShowUT = nullptr;
    QAction* mimExcel = nullptr;
    QAction* mnuCarry = nullptr;
    QAction* mnuDeleted = nullptr;
    QAction* mnuSummary = nullptr;
    QAction* mnuColse = nullptr;
    QAction* mnuAdd = nullptr;
    QAction* mnuMod = nullptr;
    QAction* mnuDel = nullptr;
    QAction* mnuExport = nullptr;
    QAction* mnuFind = nullptr;
    QAction* mnuPrint = nullptr;
    QAction* mnuPdf = nullptr;
    QAction* mnuHistory = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QToolButton* sbtnHindUT = nullptr;
    QGroupBox* rgpShowEid = nullptr;
    QRadioButton* rgpShowEidItems[2] = {};
    QComboBox* cobBType = nullptr;
    QLabel* labbkid = nullptr;
    QComboBox* cobbkid = nullptr;
    QComboBox* cobMid = nullptr;
    QFrame* pnlChild = nullptr;
    QComboBox* cobChild = nullptr;
    TNextGrid* ngdBudget = nullptr;
    TFindBar* FindBar = nullptr; // 查找: over the grid, Escape closes it
    QMenu* pmenu = nullptr;
    QAction* pmuAll = nullptr;
    QAction* pmuClear = nullptr;
    QAction* N4 = nullptr;
    QAction* N5 = nullptr;
    TDynamicTree* DytDept = nullptr;
    QLabel* labStatus = nullptr; // rows read while the list arrives, then how many there are
};
