// The import window's controls: tool bar and menu, file and type, the column mapping, the
// preview grid.
#include "importwindow/bwnMorrowell.h"

#include "basewindows/wnIcons.h"
#include "controls/TNextGrid.h"
#include "platform/untApplication.h"
#include "plugin/untClassRegist.h"
#include "support/gunChoiceCombo.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QVBoxLayout>

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
    KeepDuringWork(tbtnClose); // closing asks about the work
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
    react(cmbSheet, [this] { ReadSheet(cmbSheet->currentText()); }); // then checked
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
