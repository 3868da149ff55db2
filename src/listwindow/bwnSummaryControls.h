#pragma once
// The summary window's controls, under the names its callers know.

class QAction;
class QChartView;
class QComboBox;
class QFrame;
class QLabel;
class QRadioButton;
class QTableView;
class TDynamicTree;
class TSummaryModel;

struct TSummaryControls {
    QAction* tbtnExport = nullptr;
    QAction* tbtnExportChart = nullptr;
    QAction* tbtnPrint = nullptr;
    QAction* tbtnRefresh = nullptr;
    QAction* tbtnColse = nullptr;
    QComboBox* cobBType = nullptr;
    QComboBox* cobbkid = nullptr;
    QComboBox* cobMid = nullptr;
    QFrame* pnlChild = nullptr;
    QComboBox* cobChild = nullptr;
    QRadioButton* rgpShowEidItems[2] = {};
    QComboBox* cobBy = nullptr;
    QComboBox* cobAmount = nullptr;
    QComboBox* cobChart = nullptr;
    QTableView* grdSummary = nullptr;
    TSummaryModel* SummaryModel = nullptr; // the table's rows
    QChartView* chvSummary = nullptr;
    QLabel* labStatus = nullptr;
    TDynamicTree* DytDept = nullptr;
};
