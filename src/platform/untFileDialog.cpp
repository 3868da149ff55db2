#include "platform/untFileDialog.h"

#include "platform/untApplication.h"
#include "platform/untFileGuard.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QFileInfo>
#include <QStyle>

namespace
{
// Icons and types by kind and name; Qt's providers ask the MIME database, which reads a file
// whose name says nothing (a database's -wal and -shm, for one).
class TNameOnlyIconProvider : public QAbstractFileIconProvider
{
public:
    QIcon icon(IconType type) const override
    {
        switch (type) {
        case Computer:
            return Standard(QStyle::SP_ComputerIcon);
        case Desktop:
            return Standard(QStyle::SP_DesktopIcon);
        case Trashcan:
            return Standard(QStyle::SP_TrashIcon);
        case Network:
            return Standard(QStyle::SP_DriveNetIcon);
        case Drive:
            return Standard(QStyle::SP_DriveHDIcon);
        case Folder:
            return Standard(QStyle::SP_DirIcon);
        case File:
            break;
        }
        return Standard(QStyle::SP_FileIcon);
    }
    QIcon icon(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return icon(Drive);
        if (info.isDir())
            return Standard(info.isSymLink() ? QStyle::SP_DirLinkIcon : QStyle::SP_DirIcon);
        return Standard(info.isSymLink() ? QStyle::SP_FileLinkIcon : QStyle::SP_FileIcon);
    }
    QString type(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return QStringLiteral("磁盘");
        if (info.isDir())
            return QStringLiteral("文件夹");
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QStringLiteral("文件")
                                : suffix.toUpper() + QStringLiteral(" 文件");
    }

private:
    static QIcon Standard(QStyle::StandardPixmap which)
    {
        return QApplication::style()->standardIcon(which);
    }
};

QAbstractFileIconProvider* NameOnlyIconProvider()
{
    // Shared by every dialog and never freed: a model's gatherer thread may still ask it while
    // a dialog is being destroyed.
    static auto* provider = new TNameOnlyIconProvider;
    return provider;
}
} // namespace

TFileDialog::TFileDialog(QWidget* parent, const QString& caption, const QString& path,
                         const QString& filters)
    : QFileDialog(parent, caption) // no file yet: Qt's own provider would read the first one
{
    setOptions(DontUseNativeDialog | DontUseCustomDirectoryIcons | DontConfirmOverwrite);
    setIconProvider(NameOnlyIconProvider());
    setNameFilter(filters);
    const QFileInfo start(path);
    if (path.isEmpty() || start.isDir()) {
        setDirectory(path);
    } else {
        setDirectory(start.absolutePath());
        selectFile(start.fileName());
    }
}

void TFileDialog::SetSaveSuffixes(const QStringList& suffixes)
{
    setAcceptMode(AcceptSave);
    setDefaultSuffix(suffixes.value(0));
    connect(this, &QFileDialog::filterSelected, this, [this, suffixes](const QString& filter) {
        const qsizetype i = nameFilters().indexOf(filter);
        if (i >= 0)
            setDefaultSuffix(suffixes.value(i));
    });
}

QString TFileDialog::Choose()
{
    if (Application->ExecModal(this) != QDialog::Accepted || selectedFiles().isEmpty())
        return QString();
    // Qt's dialog reads quotes in a typed name as a list of names (a"b.csv is taken as b.csv in
    // the folder shown): such a name is refused rather than written under another.
    if (const auto* typed = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        acceptMode() == AcceptSave && typed && typed->text().contains(QLatin1Char('"'))) {
        ShowMessage(QStringLiteral("文件名%1含有双引号，不能使用。").arg(typed->text()),
                    CaptionRefuse(), MsgIcon::Warning);
        return QString();
    }
    const QString path = selectedFiles().constFirst();
    // A file nothing may be written to is refused before anyone is asked to replace it.
    if (const QString why = acceptMode() == AcceptSave ? CannotWriteFile(path) : QString();
        !why.isEmpty()) {
        ShowMessage(QStringLiteral("不能写入文件%1：%2").arg(QDir::toNativeSeparators(path), why),
                    CaptionRefuse(), MsgIcon::Warning);
        return QString();
    }
    if (acceptMode() == AcceptSave && QFileInfo::exists(path) &&
        ShowMessage(
            QStringLiteral("文件%1已存在，要替换它吗？").arg(QDir::toNativeSeparators(path)),
            CaptionConfirm(), MsgIcon::Question, MsgButtons::YesNo) != mrYes)
        return QString();
    return path;
}
