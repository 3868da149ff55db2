#include "importwindow/bwnMorrowell.h"

#include "basewindows/wnIcons.h"
#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "platform/untApplication.h"
#include "plugin/untClassRegist.h"
#include "store/untColumnStore.h"
#include "support/gunChoiceCombo.h"
#include "support/untSheetReader.h"
#include "support/untTableExport.h"

#include <QAction>
#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QSettings>
#include <QToolBar>
#include <QVBoxLayout>

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

void RegisterImportWindow()
{
    RegisterPlugInClass(&TbfrmMorrowell::staticMetaObject);
}

TbfrmMorrowell::TbfrmMorrowell(QObject* owner) : TfrmBsCld(owner)
{
    setObjectName(QStringLiteral("bfrmMorrowell"));
    setWindowTitle(QStringLiteral("Excel电子格式导入"));
    setWindowIcon(IconImport());
    resize(900, 600);
    BuildToolBar();
    BuildControls();
}

TbfrmMorrowell::~TbfrmMorrowell() = default;

void TbfrmMorrowell::Wire(QAction* action, void (TbfrmMorrowell::*handler)())
{
    connect(action, &QAction::triggered, this,
            [this, handler] { Guarded(this, [this, handler] { (this->*handler)(); }); });
}

void TbfrmMorrowell::BuildToolBar()
{
    auto action = [this](const char* name, const QString& caption, const QString& shortcut,
                         const QIcon& icon) {
        auto* a = new QAction(icon, caption, this);
        a->setObjectName(QLatin1String(name));
        if (!shortcut.isEmpty()) {
            a->setShortcut(QKeySequence(shortcut));
            a->setShortcutContext(Qt::WindowShortcut);
            a->setToolTip(caption + QStringLiteral(" (") + shortcut + QLatin1Char(')'));
            addAction(a);
        }
        tblChildMain->addAction(a);
        return a;
    };
    tblChildMain->setIconSize(QSize(24, 24));
    tbtnOpen = action("tbtnOpen", QStringLiteral("打开文件"), QStringLiteral("Ctrl+O"), IconOpen());
    tbtnImport =
        action("tbtnImport", QStringLiteral("导入"), QStringLiteral("Ctrl+I"), IconImport());
    tbtnSaveSkipped = action("tbtnSaveSkipped", QStringLiteral("保存未导入的行"),
                             QStringLiteral("Ctrl+S"), IconExport());
    tblChildMain->addSeparator();
    tbtnClose = action("tbtnClose", QStringLiteral("退出"), QString(), IconExit());
    for (QAction* a : {tbtnOpen, tbtnImport, tbtnSaveSkipped, tbtnClose})
        mitemDataVind->addAction(a);
    mnuErrorsOnly = new QAction(QStringLiteral("只显示有错误的行"), this);
    mnuErrorsOnly->setObjectName(QStringLiteral("mnuErrorsOnly"));
    mnuErrorsOnly->setCheckable(true);
    mnuErrorsOnly->setShortcut(QKeySequence(QStringLiteral("Ctrl+R")));
    mnuErrorsOnly->setShortcutContext(Qt::WindowShortcut);
    addAction(mnuErrorsOnly);
    mitemOption->addAction(mnuErrorsOnly);
    connect(mnuErrorsOnly, &QAction::triggered, this, [this](bool checked) {
        cmbFilter->setCurrentIndex(checked ? 1 : 0);
        Guarded(this, [this] { ShowPreview(); });
    });
    Wire(tbtnOpen, &TbfrmMorrowell::tbtnOpenClick);
    Wire(tbtnImport, &TbfrmMorrowell::tbtnImportClick);
    Wire(tbtnSaveSkipped, &TbfrmMorrowell::tbtnSaveSkippedClick);
    connect(tbtnClose, &QAction::triggered, this, [this] { close(); });
}

void TbfrmMorrowell::BuildControls()
{
    auto* layout = new QVBoxLayout(ClientArea());
    layout->setContentsMargins(6, 6, 6, 6);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);
    auto combo = [this](const char* name, int width) {
        auto* c = new QComboBox(this);
        c->setObjectName(QLatin1String(name));
        c->setMinimumWidth(width);
        return c;
    };
    top->addWidget(new QLabel(QStringLiteral("文件"), this));
    edtFile = new QLineEdit(this);
    edtFile->setObjectName(QStringLiteral("edtFile"));
    edtFile->setReadOnly(true);
    edtFile->setPlaceholderText(QStringLiteral("请打开一个 xlsx 或 csv 文件（Ctrl+O）"));
    top->addWidget(edtFile, 1);
    top->addWidget(new QLabel(QStringLiteral("工作表"), this));
    cmbSheet = combo("cmbSheet", 120);
    top->addWidget(cmbSheet);
    top->addWidget(new QLabel(QStringLiteral("指标类型"), this));
    cmbBType = combo("cmbBType", 100);
    top->addWidget(cmbBType);

    auto* mapping = new QGroupBox(QStringLiteral("列对应（带 * 的必须有）"), this);
    mapping->setObjectName(QStringLiteral("grpMapping"));
    auto* grid = new QGridLayout(mapping);
    for (int f = 0; f < kImportFieldCount; ++f) {
        const auto field = TImportField(f);
        auto* label =
            new QLabel(ImportFieldCaption(field) +
                           (ImportFieldRequired(field) ? QStringLiteral(" *") : QString()),
                       mapping);
        cmbFields[size_t(f)] = combo(qPrintable(QStringLiteral("cmbField%1").arg(f)), 110);
        label->setBuddy(cmbFields[size_t(f)]);
        grid->addWidget(label, f / 4, (f % 4) * 2);
        grid->addWidget(cmbFields[size_t(f)], f / 4, (f % 4) * 2 + 1);
    }
    for (int c = 1; c < 8; c += 2)
        grid->setColumnStretch(c, 1); // the lists take the room, the captions keep theirs
    layout->addWidget(mapping);

    auto* filterRow = new QHBoxLayout;
    layout->addLayout(filterRow);
    filterRow->addWidget(new QLabel(QStringLiteral("显示"), this));
    cmbFilter = combo("cmbFilter", 120);
    cmbFilter->addItems({QStringLiteral("全部行"), QStringLiteral("有错误的行")});
    filterRow->addWidget(cmbFilter);
    labStatus = new QLabel(this);
    labStatus->setObjectName(QStringLiteral("labStatus"));
    filterRow->addWidget(labStatus, 1);

    ngdPreview = new TNextGrid(this);
    ngdPreview->setObjectName(QStringLiteral("ngdPreview"));
    layout->addWidget(ngdPreview, 1);
    auto addColumn = [this](const QString& name, const QString& caption, int width) {
        TNxColumn c;
        c.Name = name;
        c.Caption = caption;
        c.Width = width;
        ngdPreview->AddColumn(c);
    };
    addColumn(QStringLiteral("line"), QStringLiteral("行号"), 50);
    addColumn(QStringLiteral("status"), QStringLiteral("状态"), 260);
    for (int f = 0; f < kImportFieldCount; ++f)
        addColumn(QStringLiteral("field%1").arg(f), ImportFieldCaption(TImportField(f)),
                  f == int(TImportField::Amount) ? 110 : 90);

    auto react = [this](QComboBox* c, const std::function<void()>& handler) {
        connect(c, &QComboBox::activated, this, [this, handler] { Guarded(this, handler); });
    };
    react(cmbSheet, [this] {
        ReadSheet(cmbSheet->currentText());
        ShowMapping();
        Recheck();
    });
    react(cmbBType, [this] {
        m_checker.reset(); // the type is part of every indicator
        Recheck();
    });
    react(cmbFilter, [this] {
        mnuErrorsOnly->setChecked(cmbFilter->currentIndex() == 1);
        ShowPreview();
    });
    for (QComboBox* c : cmbFields)
        react(c, [this] { Recheck(); });
    UpdateActions();
}

void TbfrmMorrowell::FormCreate()
{
    TfrmBsCld::FormCreate();
    FillIndicatorTypes(cmbBType, false, true);
}

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
    QFileDialog dialog(this, QStringLiteral("打开要导入的文件"),
                       settings.value(QLatin1String(kFolderKey), QDir::homePath()).toString(),
                       kFileFilter);
    dialog.setObjectName(QStringLiteral("dlgImportOpen"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOptions(QFileDialog::DontUseNativeDialog);
    if (Application->ExecModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    settings.setValue(QLatin1String(kFolderKey), QFileInfo(path).absolutePath());
    OpenFile(path);
}

bool TbfrmMorrowell::OpenFile(const QString& path)
{
    QStringList sheets;
    try {
        if (ExportFormatOf(path) == TExportFormat::Xlsx)
            sheets = WorkbookSheets(path);
    } catch (const Exception& e) {
        ShowMessage(e.Message(), CaptionRefuse(), MsgIcon::Error);
        return false;
    }
    m_path = path;
    edtFile->setText(QDir::toNativeSeparators(path));
    cmbSheet->clear();
    cmbSheet->addItems(sheets);
    cmbSheet->setEnabled(!sheets.isEmpty());
    const bool read = ReadSheet(sheets.value(0));
    ShowMapping();
    Recheck();
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
    if (m_rows.Cells) {
        if (!m_checker)
            m_checker = std::make_unique<TImportChecker>(WorkingDataYear(), ComboCode(cmbBType));
        Progress progress(this, QStringLiteral("检查"));
        m_reasons = CheckImportRows(m_rows, Mapping(), *m_checker, [&](int done, int total) {
            return progress.Step(QStringLiteral("正在检查… ") + Counted(done, total), done, total);
        });
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
    for (int r = 0; checked && r < m_rows.Count(); ++r) {
        const QString& reason = m_reasons[size_t(r)];
        if (errorsOnly && reason.isEmpty())
            continue;
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
    for (int r = 0; r < store->RowCount(); ++r)
        if (store->Text(r, 1) != QStringLiteral("可导入") &&
            store->Text(r, 1) != QStringLiteral("已导入"))
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
    QFileDialog dialog(this, QStringLiteral("保存未导入的行"),
                       folder + QLatin1Char('/') + QFileInfo(m_path).completeBaseName() +
                           QStringLiteral("-未导入"),
                       QStringLiteral("Excel 工作簿 (*.xlsx);;CSV 文件，UTF-8 (*.csv)"));
    dialog.setObjectName(QStringLiteral("dlgSaveSkipped"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOptions(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    if (Application->ExecModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SaveSkipped(dialog.selectedFiles().constFirst());
}

void TbfrmMorrowell::SaveSkipped(const QString& path)
{
    SaveSkippedRows(m_rows, m_reasons, path);
    labStatus->setText(QStringLiteral("未导入的%L1行已保存到%2")
                           .arg(m_rows.Count() - ValidRows())
                           .arg(QDir::toNativeSeparators(path)));
}
