// The import window's work: reading the file, checking and previewing its rows, writing them.
#include "importwindow/bwnMorrowell.h"

#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "platform/untApplication.h"
#include "platform/untFileDialog.h"
#include "store/untColumnStore.h"
#include "support/gunChoiceCombo.h"
#include "support/untSheetReader.h"
#include "support/untTableExport.h"

#include <QAction>
#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QSettings>

namespace
{
const char* const kFolderKey = "Import/folder";
const QString kNoColumn = QStringLiteral("<不导入>");
const QString kFileFilter = QStringLiteral("电子表格 (*.xlsx *.csv);;Excel 工作簿 (*.xlsx);;"
                                           "CSV 文件 (*.csv)");

// A progress window that keeps the window responsive and can cancel.
class Progress
{
public:
    Progress(QWidget* parent, const QString& title)
        : m_dialog(title, QStringLiteral("取消"), 0, 0, parent)
    {
        m_dialog.setObjectName(QStringLiteral("dlgImportProgress"));
        m_dialog.setWindowTitle(title);
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setMinimumDuration(300);
    }
    ~Progress() { m_dialog.reset(); }
    bool Step(const QString& text, int done, int total)
    {
        m_dialog.setLabelText(text);
        m_dialog.setMaximum(total);
        m_dialog.setValue(total > 0 ? std::min(done, total - 1) : 0);
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

QString Counted(int done, int total)
{
    return QStringLiteral("%L1 / %L2 行").arg(done).arg(total);
}
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
                       kFileFilter);
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
        if (ExportFormatOf(path) == TExportFormat::Xlsx)
            sheets = WorkbookSheets(path, &first);
    } catch (const Exception& e) {
        ShowMessage(e.Message(), CaptionRefuse(), MsgIcon::Error);
        return false;
    }
    m_path = path;
    m_checker.reset(); // the code tables as they are now
    edtFile->setText(QDir::toNativeSeparators(path));
    cmbSheet->clear();
    cmbSheet->addItems(sheets);
    cmbSheet->setCurrentIndex(sheets.isEmpty() ? -1 : first);
    cmbSheet->setEnabled(!sheets.isEmpty());
    const bool read = ReadSheet(sheets.value(first));
    ShowMapping();
    try {
        Recheck();
    } catch (const Exception& e) {
        ShowMessage(e.Message(), CaptionRefuse(), MsgIcon::Error);
        return false;
    }
    return read;
}

bool TbfrmMorrowell::ReadSheet(const QString& sheet)
{
    m_rows = TImportRows();
    m_reasons.clear();
    Progress progress(this, QStringLiteral("读取文件"));
    try {
        if (!ReadImportFile(m_path, sheet, m_rows, [&](int read) {
                return progress.Step(QStringLiteral("正在读取… 已读 %L1 行").arg(read), 0, 0);
            })) {
            labStatus->setText(QStringLiteral("读取已取消"));
            return false;
        }
    } catch (const Exception& e) {
        m_rows = TImportRows();
        ShowMessage(e.Message(), CaptionRefuse(), MsgIcon::Error);
        return false;
    }
    return true;
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

void TbfrmMorrowell::Recheck()
{
    m_reasons.clear();
    m_imported = false;
    try {
        if (m_rows.Cells) {
            if (!m_checker)
                m_checker =
                    std::make_unique<TImportChecker>(WorkingDataYear(), ComboCode(cmbBType));
            Progress progress(this, QStringLiteral("检查"));
            m_reasons = CheckImportRows(m_rows, Mapping(), *m_checker, [&](int done, int total) {
                return progress.Step(QStringLiteral("正在检查… ") + Counted(done, total), done,
                                     total);
            });
        }
    } catch (...) {
        // Unchecked (a lost connection, say): no statuses, nothing to import.
        ShowPreview();
        UpdateActions();
        throw;
    }
    ShowPreview();
    UpdateActions();
}

void TbfrmMorrowell::ShowPreview()
{
    const bool checked = m_rows.Cells && m_reasons.size() == size_t(m_rows.Count());
    auto store = std::make_shared<TColumnStore>();
    QStringList names{QStringLiteral("line"), QStringLiteral("status")};
    for (int f = 0; f < kImportFieldCount; ++f)
        names << QStringLiteral("field%1").arg(f);
    store->SetColumns(names, QList<bool>(names.size(), false));
    const bool errorsOnly = cmbFilter->currentIndex() == 1;
    const TImportMapping mapping = Mapping();
    auto append = [&store](int col, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        store->AppendUtf8(col, utf8.constData(), int(utf8.size()));
    };
    std::vector<int> refused; // grid rows whose status is a reason
    for (int r = 0; checked && r < m_rows.Count(); ++r) {
        const QString& reason = m_reasons[size_t(r)];
        if (errorsOnly && reason.isEmpty())
            continue;
        if (!reason.isEmpty())
            refused.push_back(store->RowCount());
        append(0, QString::number(m_rows.Lines[size_t(r)]));
        append(1, !reason.isEmpty() ? reason
                  : m_imported      ? QStringLiteral("已导入")
                                    : QStringLiteral("可导入"));
        for (int f = 0; f < kImportFieldCount; ++f)
            append(2 + f, m_rows.Text(r, mapping, TImportField(f)));
        store->EndRow();
    }
    std::vector<int> sources(size_t(names.size()));
    for (size_t i = 0; i < sources.size(); ++i)
        sources[i] = int(i);
    ngdPreview->AttachRows(store, sources, -1);
    for (int r : refused)
        ngdPreview->SetCellColor(1, r, QColor(255, 222, 222));
    for (int f = 0; f < kImportFieldCount; ++f)
        ngdPreview->SetColumnVisible(2 + f, mapping[size_t(f)] >= 0);
    if (!checked) {
        labStatus->setText(m_rows.Cells ? QStringLiteral("检查已取消") : QString());
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

int TbfrmMorrowell::ImportRows()
{
    const int skipped = m_rows.Count() - ValidRows();
    int written = 0;
    bool cancelled = false;
    {
        Progress progress(this, QStringLiteral("导入"));
        written =
            ImportBudgets(m_rows, Mapping(), *m_checker, m_reasons, cmbBType->currentText(),
                          QFileInfo(m_path).fileName(), [&](int done, int total) {
                              cancelled = !progress.Step(
                                  QStringLiteral("正在导入… ") + Counted(done, total), done, total);
                              return !cancelled;
                          });
    }
    if (cancelled) {
        labStatus->setText(QStringLiteral("导入已取消，没有写入任何指标"));
        return 0;
    }
    QString summary = QStringLiteral("已导入%L1条预算指标").arg(written);
    summary +=
        skipped > 0
            ? QStringLiteral("，%L1行未导入（可用“保存未导入的行”连同原因存为文件）。").arg(skipped)
            : QStringLiteral("。");
    if (written < ValidRows()) // entered by someone else while this file was checked
        summary += QStringLiteral("另有%L1行写入时已存在相同的指标，没有重复写入。")
                       .arg(ValidRows() - written);
    // The rows keep their statuses (the skipped ones can still be saved); a new check would
    // find the imported ones existing.
    m_imported = true;
    ShowPreview();
    UpdateActions();
    labStatus->setText(summary);
    ShowMessage(summary, CaptionInfo(), MsgIcon::Information);
    return written;
}

void TbfrmMorrowell::tbtnSaveSkippedClick()
{
    QSettings settings;
    const QString folder = settings.value(QLatin1String(kFolderKey), QDir::homePath()).toString();
    TFileDialog dialog(this, QStringLiteral("保存未导入的行"),
                       folder + QLatin1Char('/') + QFileInfo(m_path).completeBaseName() +
                           QStringLiteral("-未导入"),
                       QStringLiteral("Excel 工作簿 (*.xlsx);;CSV 文件，UTF-8 (*.csv)"));
    dialog.setObjectName(QStringLiteral("dlgSaveSkipped"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
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
