#include "host/HostConnection.h"

#include "context/untAdodbIsomer.h"
#include "context/untConnectionString.h"
#include "db/DbDemo.h"
#include "db/DbSchema.h"
#include "host/HostContext.h"
#include "platform/untApplication.h"
#include "platform/untException.h"
#include "platform/untFileDialog.h"
#include "platform/untFocusRing.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{
const char* const kLastKey = "Connection/last";
constexpr int kDemoIndicators = 20000;

bool IsPostgres(const QString& connectionString)
{
    const QString provider = ConnectionStringValue(connectionString, QStringLiteral("Provider"));
    return provider.startsWith(QLatin1String("postgres"), Qt::CaseInsensitive) ||
           provider.compare(QLatin1String("QPSQL"), Qt::CaseInsensitive) == 0;
}

QString SqliteFile(const QString& connectionString)
{
    const QString file = ConnectionStringValue(connectionString, QStringLiteral("Data Source"));
    return file.isEmpty() ? ConnectionStringValue(connectionString, QStringLiteral("Database"))
                          : file;
}
} // namespace

QString LastConnection()
{
    return QSettings().value(QLatin1String(kLastKey)).toString();
}

void RememberConnection(const QString& connectionString)
{
    QSettings settings;
    settings.setValue(QLatin1String(kLastKey), connectionString);
    settings.sync();
    // Said once here: otherwise the operator is asked for the database at every start unawares.
    if (settings.status() != QSettings::NoError)
        ShowMessage(QStringLiteral("设置无法保存到%1（它不是可写的文件）。下次启动时需要重新选择"
                                   "数据库，窗口的布局也不会保存。")
                        .arg(QDir::toNativeSeparators(settings.fileName())),
                    CaptionInfo(), MsgIcon::Warning);
}

QString PgConnectionString(const QString& host, int port, const QString& database,
                           const QString& user, const QString& password)
{
    QString text = QStringLiteral("Provider=PostgreSQL;Host=%1;Port=%2;Database=%3;User ID=%4")
                       .arg(ConnectionStringQuoted(host))
                       .arg(port)
                       .arg(ConnectionStringQuoted(database), ConnectionStringQuoted(user));
    if (!password.isEmpty())
        text += QStringLiteral(";Password=") + ConnectionStringQuoted(password);
    return text;
}

ConnectionDialog::ConnectionDialog(const QString& initial, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgConnection"));
    setWindowTitle(QStringLiteral("连接数据库"));
    ShowFocusRing(this);
    auto* layout = new QVBoxLayout(this);

    rbSqlite = new QRadioButton(QStringLiteral("本机数据库文件（SQLite，一位操作员）"), this);
    edFile = new QLineEdit(this);
    edFile->setObjectName(QStringLiteral("edFile"));
    edFile->setMinimumWidth(320);
    auto* browse = new QPushButton(QStringLiteral("浏览(&B)…"), this);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(edFile);
    fileRow->addWidget(browse);
    cbCreate = new QCheckBox(QStringLiteral("文件不存在时新建数据库"), this);
    cbCreate->setChecked(true);
    cbDemo = new QCheckBox(QStringLiteral("新建时写入演示数据"), this);
    auto* sqliteBox = new QVBoxLayout;
    sqliteBox->setContentsMargins(24, 0, 0, 0);
    sqliteBox->addLayout(fileRow);
    sqliteBox->addWidget(cbCreate);
    sqliteBox->addWidget(cbDemo);

    rbPg = new QRadioButton(QStringLiteral("数据库服务器（PostgreSQL，多位操作员）"), this);
    edHost = new QLineEdit(QStringLiteral("localhost"), this);
    spPort = new QSpinBox(this);
    spPort->setRange(1, 65535);
    spPort->setValue(5432);
    edDatabase = new QLineEdit(this);
    edUser = new QLineEdit(this);
    edPassword = new QLineEdit(this);
    edPassword->setEchoMode(QLineEdit::Password);
    auto* pgForm = new QFormLayout;
    pgForm->setContentsMargins(24, 0, 0, 0);
    pgForm->addRow(QStringLiteral("服务器(&H)"), edHost);
    pgForm->addRow(QStringLiteral("端口(&O)"), spPort);
    pgForm->addRow(QStringLiteral("数据库(&D)"), edDatabase);
    pgForm->addRow(QStringLiteral("用户(&U)"), edUser);
    pgForm->addRow(QStringLiteral("密码(&P)"), edPassword);

    labError = new QLabel(this);
    labError->setObjectName(QStringLiteral("labError"));
    labError->setWordWrap(true);
    labError->setStyleSheet(QStringLiteral("color: #b00000"));
    labError->hide();
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("连接"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);

    layout->addWidget(rbSqlite);
    layout->addLayout(sqliteBox);
    layout->addWidget(rbPg);
    layout->addLayout(pgForm);
    layout->addWidget(labError);
    layout->addWidget(buttons);

    if (IsPostgres(initial)) {
        rbPg->setChecked(true);
        edHost->setText(ConnectionStringValue(initial, QStringLiteral("Host")));
        const int port = ConnectionStringValue(initial, QStringLiteral("Port")).toInt();
        spPort->setValue(port > 0 ? port : 5432);
        edDatabase->setText(ConnectionStringValue(initial, QStringLiteral("Database")));
        edUser->setText(ConnectionStringValue(initial, QStringLiteral("User ID")));
        edPassword->setText(ConnectionStringValue(initial, QStringLiteral("Password")));
    } else {
        rbSqlite->setChecked(true);
        const QString file = SqliteFile(initial);
        edFile->setText(file.isEmpty() ? QDir::home().filePath(QStringLiteral("vesperwald.db"))
                                       : file);
    }
    connect(browse, &QPushButton::clicked, this, &ConnectionDialog::Browse);
    connect(rbSqlite, &QRadioButton::toggled, this, &ConnectionDialog::UpdateEnabled);
    connect(cbCreate, &QCheckBox::toggled, this, &ConnectionDialog::UpdateEnabled);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateEnabled();
}

QString ConnectionDialog::ConnectionString() const
{
    if (rbSqlite->isChecked())
        return QStringLiteral("Provider=SQLite;Data Source=") +
               ConnectionStringQuoted(edFile->text().trimmed());
    return PgConnectionString(edHost->text().trimmed(), spPort->value(),
                              edDatabase->text().trimmed(), edUser->text().trimmed(),
                              edPassword->text());
}

bool ConnectionDialog::CreatesFile() const
{
    return rbSqlite->isChecked() && cbCreate->isChecked() &&
           !QFileInfo::exists(edFile->text().trimmed());
}

bool ConnectionDialog::WithDemo() const
{
    return cbDemo->isEnabled() && cbDemo->isChecked();
}

void ConnectionDialog::ShowError(const QString& text)
{
    labError->setText(text);
    labError->setVisible(!text.isEmpty());
}

void ConnectionDialog::Browse()
{
    TFileDialog dialog(this, QStringLiteral("数据库文件"), edFile->text(),
                       QStringLiteral("SQLite 数据库 (*.db *.sqlite);;所有文件 (*)"));
    dialog.setObjectName(QStringLiteral("dlgDatabaseFile"));
    dialog.setFileMode(QFileDialog::AnyFile); // an existing file or a new one's name
    const QString path = dialog.Choose();
    if (!path.isEmpty())
        edFile->setText(QDir::toNativeSeparators(path));
}

void ConnectionDialog::UpdateEnabled()
{
    const bool sqlite = rbSqlite->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(edFile), static_cast<QWidget*>(cbCreate)})
        w->setEnabled(sqlite);
    cbDemo->setEnabled(sqlite && cbCreate->isChecked());
    for (QWidget* w : {static_cast<QWidget*>(edHost), static_cast<QWidget*>(spPort),
                       static_cast<QWidget*>(edDatabase), static_cast<QWidget*>(edUser),
                       static_cast<QWidget*>(edPassword)})
        w->setEnabled(!sqlite);
}

bool CreateSqliteFile(const QString& connectionString, bool demo, QString* error)
{
    const QString file = SqliteFile(connectionString);
    try {
        TAdoConn conn;
        conn.SetConnectionString(connectionString);
        conn.SetCreateIfMissing(true);
        CreateSchema(&conn);
        if (demo)
            FillDemo(&conn, kDemoIndicators);
        else
            FillStarter(&conn, QDate::currentDate().year());
        InstallHistory(&conn);
        conn.Close();
        return true;
    } catch (const Exception& e) {
        *error = QStringLiteral("无法新建数据库%1：%2").arg(file, e.Message());
    }
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(file + suffix);
    return false;
}

std::unique_ptr<HostContext> AskForConnection(const HostOptions& options, const QString& initial,
                                              const QString& error, QWidget* parent)
{
    ConnectionDialog dialog(initial, parent);
    dialog.ShowError(error);
    for (;;) {
        if (Application->ExecModal(&dialog) != QDialog::Accepted)
            return nullptr;
        HostOptions chosen = options;
        chosen.Connection = dialog.ConnectionString();
        QString why;
        if (dialog.CreatesFile()) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const bool made = CreateSqliteFile(chosen.Connection, dialog.WithDemo(), &why);
            QApplication::restoreOverrideCursor();
            if (!made) {
                dialog.ShowError(why);
                continue;
            }
        }
        auto context = std::make_unique<HostContext>();
        if (context->Load(chosen, &why)) {
            RememberConnection(chosen.Connection);
            return context;
        }
        dialog.ShowError(why); // corrected and tried again, or cancelled
    }
}
