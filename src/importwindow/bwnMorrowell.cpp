// The import window's work: reading the file, checking and previewing its rows, writing them.
#include "importwindow/bwnMorrowell.h"

#include "importwindow/bwnImportPreview.h"

#include "basewindows/wnWorkProgress.h"
#include "budget/gunBudgetImport.h"
#include "budget/gunBudgetSave.h"
#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "platform/untApplication.h"
#include "platform/untFileDialog.h"
#include "store/untColumnStore.h"
#include "support/gunChoiceCombo.h"
#include "support/untReleaser.h"
#include "sheets/untSheetReader.h"
#include "sheets/untSheetFormats.h"

#include <QAction>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>

namespace
{
const char* const kFolderKey = "Import/folder";
const QString kNoColumn = QStringLiteral("<不导入>");

} // namespace

TImportMapping TbfrmMorrowell::Mapping() const
{
    TImportMapping mapping;
    for (int f = 0; f < kImportFieldCount; ++f)
        mapping[size_t(f)] = cmbFields[size_t(f)]->currentIndex() - 1; // entry 0: none
    return mapping;
}

int TbfrmMorrowell::ValidRows() const
{
    return int(std::count(m_reasons.begin(), m_reasons.end(), QString()));
}

void TbfrmMorrowell::tbtnOpenClick()
{
    QSettings settings;
    TFileDialog dialog(this, QStringLiteral("打开要导入的文件"),
                       settings.value(QLatin1String(kFolderKey), QDir::homePath()).toString(),
                       OpenFilters());
    dialog.setObjectName(QStringLiteral("dlgImportOpen"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QString path = dialog.Choose();
    // Only a folder whose file could be read is offered next time.
    if (!path.isEmpty() && OpenFile(path))
        settings.setValue(QLatin1String(kFolderKey), QFileInfo(path).absolutePath());
}

bool TbfrmMorrowell::OpenFile(const QString& path)
{
    QStringList sheets;
    int first = 0;
    try {
        if (SheetFormatOf(path).Workbook)
            sheets = WorkbookSheets(path, &first);
    } catch (const Exception& e) {
        ShowMessage(e.Message(), CaptionRefuse(), MsgIcon::Error);
        return false;
    }
    m_path = path;
    // The code tables as they are now; the last file's checked rows are freed beside.
    ReleaseBeside(std::exchange(m_checker, nullptr));
    edtFile->setText(QDir::toNativeSeparators(path));
    cmbSheet->clear();
    cmbSheet->addItems(sheets);
    cmbSheet->setCurrentIndex(sheets.isEmpty() ? -1 : first);
    cmbSheet->setEnabled(!sheets.isEmpty());
    return ReadSheet(sheets.value(first));
}

// Reads the sheet beside the window, then matches its columns and checks its rows.
bool TbfrmMorrowell::ReadSheet(const QString& sheet)
{
    ReleaseValueBeside(m_rows); // a large file's rows are not freed on this thread
    ReleaseValueBeside(m_reasons);
    ShowPreview();
    UpdateActions();
    auto rows = std::make_shared<TImportRows>();
    auto job = [path = m_path, sheet, rows](TWorkControl& control) {
        control.Phase(QStringLiteral("正在读取文件…"));
        return ReadImportFile(path, sheet, *rows,
                              [&control](int read) { return control.Progress(read, 0); });
    };
    return Work()->Run(
        QStringLiteral("读取文件"), job,
        [this, rows](TWorkOutcome outcome, const QString& error) {
            if (outcome == TWorkOutcome::Done)
                m_rows = std::move(*rows);
            ShowMapping();
            if (outcome == TWorkOutcome::Failed)
                ShowMessage(error, CaptionRefuse(), MsgIcon::Error);
            if (outcome != TWorkOutcome::Done) {
                ShowPreview();
                UpdateActions();
                labStatus->setText(outcome == TWorkOutcome::Cancelled
                                       ? QStringLiteral("读取已取消")
                                       : QStringLiteral("文件未能读取"));
                return;
            }
            Recheck();
        },
        TWindowWork::Connection::NotNeeded);
}

void TbfrmMorrowell::ShowMapping()
{
    const TImportMapping matched = MatchImportColumns(m_rows.Headers);
    for (int f = 0; f < kImportFieldCount; ++f) {
        QComboBox* c = cmbFields[size_t(f)];
        c->clear();
        c->addItem(kNoColumn);
        c->addItems(m_rows.Headers);
        c->setCurrentIndex(matched[size_t(f)] + 1);
    }
}

// Checks the rows beside the window (the code tables read there the first time).
void TbfrmMorrowell::Recheck()
{
    m_reasons.clear();
    m_imported = false;
    m_checkFailed = false;
    ShowPreview();
    UpdateActions();
    if (!m_rows.Cells)
        return;
    struct Checked {
        std::shared_ptr<TImportChecker> Checker;
        std::vector<QString> Reasons;
        TImportPreview Preview;
    };
    auto checked = std::make_shared<Checked>();
    checked->Checker = m_checker;
    auto job = [rows = m_rows, mapping = Mapping(), year = WorkingDataYear(),
                type = ComboCode(cmbBType), errorsOnly = cmbFilter->currentIndex() == 1,
                checked](TWorkControl& control) {
        control.Phase(QStringLiteral("正在检查…"));
        if (!checked->Checker)
            checked->Checker = std::make_shared<TImportChecker>(year, type);
        checked->Reasons =
            CheckImportRows(rows, mapping, *checked->Checker, [&control](int done, int total) {
                return control.Progress(done, total);
            });
        if (checked->Reasons.size() != size_t(rows.Count()))
            return false;
        checked->Preview = BuildImportPreview(rows, checked->Reasons, mapping, errorsOnly, false,
                                              checked->Checker.get());
        return true;
    };
    const bool started = Work()->Run(QStringLiteral("检查"), job,
                                     [this, checked](TWorkOutcome outcome, const QString& error) {
                                         m_checker = checked->Checker;
                                         m_checkFailed = outcome == TWorkOutcome::Failed;
                                         // Unchecked (cancelled, or a lost connection): no
                                         // statuses, nothing to import.
                                         if (outcome == TWorkOutcome::Done) {
                                             m_reasons = std::move(checked->Reasons);
                                             ShowPreview(checked->Preview);
                                         } else {
                                             ShowPreview();
                                         }
                                         UpdateActions();
                                         if (outcome == TWorkOutcome::Failed)
                                             ShowMessage(error, CaptionRefuse(), MsgIcon::Error);
                                     });
    if (!started) {
        m_checkFailed = true;
        labStatus->setText(QStringLiteral("未能检查"));
    }
}

// The preview as the rows and statuses are now: a checked file's rows are laid out beside the
// window.
void TbfrmMorrowell::ShowPreview()
{
    if (!m_rows.Cells || m_reasons.size() != size_t(m_rows.Count())) {
        ShowPreview(BuildImportPreview(m_rows, m_reasons, Mapping(), false, false));
        return;
    }
    auto preview = std::make_shared<TImportPreview>();
    auto job = [rows = m_rows, reasons = m_reasons, mapping = Mapping(),
                errorsOnly = cmbFilter->currentIndex() == 1, imported = m_imported,
                checker = m_checker, preview](TWorkControl& control) {
        control.Phase(QStringLiteral("正在整理…"));
        *preview = BuildImportPreview(rows, reasons, mapping, errorsOnly, imported, checker.get());
        return true;
    };
    Work()->Run(
        QStringLiteral("整理预览"), job,
        [this, preview](TWorkOutcome outcome, const QString&) {
            if (outcome == TWorkOutcome::Done)
                ShowPreview(*preview);
        },
        TWindowWork::Connection::NotNeeded);
}

void TbfrmMorrowell::ShowPreview(const TImportPreview& preview)
{
    const bool checked = m_rows.Cells && m_reasons.size() == size_t(m_rows.Count());
    const TImportMapping mapping = Mapping();
    std::vector<int> sources(size_t(preview.Store->ColumnCount()));
    for (size_t i = 0; i < sources.size(); ++i)
        sources[i] = int(i);
    ReleaseBeside(ngdPreview->TakeRows());
    ngdPreview->AttachRows(preview.Store, sources, -1);
    for (int r : preview.Refused)
        ngdPreview->SetCellColor(1, r, QColor(255, 222, 222));
    for (int f = 0; f < kImportFieldCount; ++f)
        ngdPreview->SetColumnVisible(2 + f, mapping[size_t(f)] >= 0);
    if (!checked) {
        labStatus->setText(!m_rows.Cells   ? QString()
                           : m_checkFailed ? QStringLiteral("检查失败")
                                           : QStringLiteral("检查已取消"));
        return;
    }
    const int valid = ValidRows();
    QString text = QStringLiteral("共 %L1 行：可导入 %L2 行，有错误 %L3 行")
                       .arg(m_rows.Count())
                       .arg(valid)
                       .arg(m_rows.Count() - valid);
    const QStringList missing = MissingImportFields(mapping);
    if (!missing.isEmpty())
        text += QStringLiteral("。没有对应的列：") + missing.join(QStringLiteral("、"));
    labStatus->setText(text);
}

void TbfrmMorrowell::UpdateActions()
{
    const bool checked = m_rows.Cells && m_reasons.size() == size_t(m_rows.Count());
    tbtnImport->setEnabled(checked && !m_imported && ValidRows() > 0);
    tbtnSaveSkipped->setEnabled(checked && ValidRows() < m_rows.Count());
}

void TbfrmMorrowell::tbtnImportClick()
{
    const int valid = ValidRows();
    if (valid == 0)
        return;
    const int skipped = m_rows.Count() - valid;
    QString question = QStringLiteral("要把%L1行导入为%2年的%3吗？")
                           .arg(valid)
                           .arg(WorkingDataYear())
                           .arg(cmbBType->currentText());
    if (skipped > 0)
        question += QStringLiteral("\n有错误的%L1行不导入。").arg(skipped);
    if (ShowMessage(question, CaptionConfirm(), MsgIcon::Question, MsgButtons::YesNo) != mrYes)
        return;
    ImportRows();
}

bool TbfrmMorrowell::ImportRows()
{
    if (!m_checker)
        return false;
    const int skipped = m_rows.Count() - ValidRows();
    struct Imported {
        int Written = 0;
        std::vector<int> Stored; // valid rows the year held by the write
        std::vector<QString> Reasons;
        TImportPreview Preview;
    };
    auto imported = std::make_shared<Imported>();
    auto job = [rows = m_rows, mapping = Mapping(), checker = m_checker, reasons = m_reasons,
                caption = cmbBType->currentText(), file = QFileInfo(m_path).fileName(),
                errorsOnly = cmbFilter->currentIndex() == 1, imported](TWorkControl& control) {
        control.Phase(WaitingToWritePhase());
        imported->Written =
            ImportBudgets(rows, mapping, *checker, reasons, caption, file,
                          AfterLockTaken([&control] { control.Phase(QStringLiteral("正在导入…")); },
                                         [&control](int done, int total) {
                                             return control.Progress(done, total);
                                         }),
                          &imported->Stored);
        if (imported->Written == 0 && control.Cancelled())
            return false; // rolled back
        imported->Reasons = reasons;
        for (int r : imported->Stored)
            imported->Reasons[size_t(r)] = ImportStoredReason();
        imported->Preview =
            BuildImportPreview(rows, imported->Reasons, mapping, errorsOnly, true, checker.get());
        return true;
    };
    return Work()->Run(
        QStringLiteral("导入"), job,
        [this, imported, skipped](TWorkOutcome outcome, const QString& error) {
            if (outcome == TWorkOutcome::Cancelled) {
                labStatus->setText(QStringLiteral("导入已取消，没有写入任何指标"));
                return;
            }
            if (outcome == TWorkOutcome::Failed) {
                labStatus->setText(QStringLiteral("导入失败，没有写入任何指标"));
                ShowMessage(error, CaptionRefuse(), MsgIcon::Error);
                return;
            }
            const int written = imported->Written;
            QString summary = QStringLiteral("已导入%L1条预算指标").arg(written);
            summary += skipped > 0 ? QStringLiteral("，%L1行未导入（可用“保存未导入的行”连同原因"
                                                    "存为文件）。")
                                         .arg(skipped)
                                   : QStringLiteral("。");
            if (!imported->Stored.empty()) // entered by someone else while this file was checked
                summary += QStringLiteral("另有%L1行写入时已存在相同的指标，没有重复写入。")
                               .arg(imported->Stored.size());
            // The rows keep their statuses, those found stored by the write take that reason
            // (the skipped ones can still be saved); a new check would find the imported ones
            // existing.
            ReleaseValueBeside(m_reasons);
            m_reasons = std::move(imported->Reasons);
            m_imported = true;
            ShowPreview(imported->Preview);
            UpdateActions();
            labStatus->setText(summary);
            ShowMessage(summary, CaptionInfo(), MsgIcon::Information);
        });
}

void TbfrmMorrowell::tbtnSaveSkippedClick()
{
    QSettings settings;
    const QString folder = settings.value(QLatin1String(kFolderKey), QDir::homePath()).toString();
    TFileDialog dialog(this, QStringLiteral("保存未导入的行"),
                       folder + QLatin1Char('/') + QFileInfo(m_path).completeBaseName() +
                           QStringLiteral("-未导入"),
                       SaveFilters());
    dialog.setObjectName(QStringLiteral("dlgSaveSkipped"));
    dialog.SetSaveSuffixes(SaveSuffixes());
    const QString path = dialog.Choose();
    if (!path.isEmpty())
        SaveSkipped(path);
}

void TbfrmMorrowell::SaveSkipped(const QString& path)
{
    SaveSkippedRows(m_rows, m_reasons, path);
    labStatus->setText(QStringLiteral("未导入的%L1行已保存到%2")
                           .arg(m_rows.Count() - ValidRows())
                           .arg(QDir::toNativeSeparators(path)));
}
