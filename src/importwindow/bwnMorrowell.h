#pragma once
// The spreadsheet import window: a file's rows matched to indicator fields, checked, previewed
// and written as new indicators of the working year.

#include "basewindows/wnBsCld.h"
#include "support/untImportFile.h"

#include <array>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class TNextGrid;
struct TImportPreview;

// Registers the window class with the plug-in's class list.
void RegisterImportWindow();

// The import window's controls, under the names its callers know.
struct TImportControls {
    QAction* tbtnOpen = nullptr;
    QAction* tbtnImport = nullptr;
    QAction* tbtnSaveSkipped = nullptr;
    QAction* tbtnClose = nullptr;
    QAction* mnuErrorsOnly = nullptr; // the filter, from the menu
    QLineEdit* edtFile = nullptr;
    QComboBox* cmbSheet = nullptr;
    QComboBox* cmbBType = nullptr;
    QComboBox* cmbFilter = nullptr; // 全部行 / 有错误的行
    std::array<QComboBox*, kImportFieldCount> cmbFields = {};
    TNextGrid* ngdPreview = nullptr;
    QLabel* labStatus = nullptr;
};

// "Excel电子格式导入": choose a file (and a workbook's sheet), match its columns, see each row's
// status, import the valid rows, save the others with their reasons.
class TbfrmMorrowell : public TfrmBsCld, private TImportControls
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TbfrmMorrowell(QObject* owner);
    ~TbfrmMorrowell() override;

    const TImportControls& Controls() const { return *this; }

    // Reads the file (a workbook's first sheet) and checks its rows beside the window; false
    // when that cannot start (the reason said to the operator).
    bool OpenFile(const QString& path);
    // Writes the valid rows beside the window (tbtnImport asks first); false when that cannot
    // start. A summary says how it ended.
    bool ImportRows();
    // Writes the rows not imported, with their reasons.
    void SaveSkipped(const QString& path);

    const TImportRows& Rows() const { return m_rows; }
    const std::vector<QString>& Reasons() const { return m_reasons; }
    int ValidRows() const;

protected:
    void FormCreate() override;

private:
    void BuildToolBar();
    void BuildControls();
    void Wire(QAction* action, void (TbfrmMorrowell::*handler)());
    void tbtnOpenClick();
    void tbtnImportClick();
    void tbtnSaveSkippedClick();
    bool ReadSheet(const QString& sheet);
    void ShowMapping();
    void Recheck();
    void ShowPreview();
    void ShowPreview(const TImportPreview& preview);
    void UpdateActions();
    TImportMapping Mapping() const;

    QString m_path;
    TImportRows m_rows;
    std::vector<QString> m_reasons;
    std::shared_ptr<TImportChecker> m_checker; // the code tables of the last check
    bool m_imported = false;                   // the valid rows were written (until the next check)
    bool m_checkFailed = false;                // the last check ended in an error, not cancelled
};
