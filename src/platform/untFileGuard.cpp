#include "platform/untFileGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace
{
struct Registry {
    QMutex mutex;
    QHash<QString, int> files; // real path of each open database file → its openers
};

Registry& Databases()
{
    static Registry registry;
    return registry;
}

// The path with its folder resolved (the file itself need not exist).
QString RealPath(const QString& path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
}

bool Stat(const QString& path, struct stat& st)
{
    return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

// The kernel's own file systems, whose files may block a reader or are no data at all.
bool IsSystemFileSystem(const QString& path)
{
    struct statfs fs {
    };
    if (::statfs(QFile::encodeName(path).constData(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x9fa0:     // proc
    case 0x62656572: // sysfs
    case 0x64626720: // debugfs
    case 0x74726163: // tracefs
    case 0x73636673: // securityfs
    case 0x27e0eb:   // cgroup
    case 0x63677270: // cgroup2
    case 0x1cd1:     // devpts
    case 0x6165676c: // pstore
    case 0xcafe4a11: // bpf
    case 0x62656570: // configfs
    case 0xde5e81e4: // efivarfs
    case 0x65735543: // fusectl
    case 0x19800202: // mqueue
    case 0x42494e4d: // binfmt_misc
        return true;
    default:
        break;
    }
    const QString real = RealPath(path);
    return real == QLatin1String("/dev") || real.startsWith(QLatin1String("/dev/"));
}

QString NotRegular(const struct stat& st)
{
    return S_ISDIR(st.st_mode) ? QStringLiteral("这是一个文件夹。")
                               : QStringLiteral("这不是普通文件（而是管道、设备或套接字）。");
}
} // namespace

void ProtectDatabaseFiles(const QString& databaseFile)
{
    Registry& r = Databases();
    const QMutexLocker lock(&r.mutex);
    ++r.files[RealPath(databaseFile)];
}

void ReleaseDatabaseFiles(const QString& databaseFile)
{
    Registry& r = Databases();
    const QMutexLocker lock(&r.mutex);
    const auto it = r.files.find(RealPath(databaseFile));
    if (it != r.files.end() && --it.value() <= 0)
        r.files.erase(it);
}

bool IsOpenDatabaseFile(const QString& path)
{
    QStringList names{RealPath(path)};
    const QString target = QFileInfo(path).canonicalFilePath(); // through a link
    if (!target.isEmpty())
        names << target;
    struct stat st {
    };
    const bool exists = Stat(path, st);
    Registry& r = Databases();
    const QMutexLocker lock(&r.mutex);
    for (auto it = r.files.cbegin(); it != r.files.cend(); ++it) {
        const QString& db = it.key();
        for (const QString& name : names)
            for (const char* suffix : {"", "-wal", "-shm", "-journal"})
                if (name == db + QLatin1String(suffix))
                    return true;
        struct stat dbSt {
        };
        if (exists && Stat(db, dbSt) && dbSt.st_dev == st.st_dev && dbSt.st_ino == st.st_ino)
            return true; // a hard link
    }
    return false;
}

QString CannotReadFile(const QString& path)
{
    struct stat st {
    };
    if (!Stat(path, st))
        return errno == ENOENT ? QStringLiteral("文件不存在。") : FileErrorText(errno);
    if (IsOpenDatabaseFile(path))
        return QStringLiteral("这是正在使用的数据库文件。");
    if (!S_ISREG(st.st_mode))
        return NotRegular(st);
    if (IsSystemFileSystem(path))
        return QStringLiteral("这是系统的虚拟文件（如/proc、/sys中的文件）。");
    return QString();
}

QString CannotWriteFile(const QString& path)
{
    if (IsOpenDatabaseFile(path))
        return QStringLiteral("这是正在使用的数据库文件。");
    struct stat st {
    };
    if (Stat(path, st) && !S_ISREG(st.st_mode))
        return NotRegular(st);
    const QString folder = QFileInfo(path).absolutePath();
    if (!Stat(folder, st))
        return errno == ENOENT
                   ? QStringLiteral("文件夹%1不存在。").arg(QDir::toNativeSeparators(folder))
                   : FileErrorText(errno);
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("%1不是文件夹。").arg(QDir::toNativeSeparators(folder));
    if (IsSystemFileSystem(folder))
        return QStringLiteral("这是系统的虚拟文件夹（如/proc、/sys）。");
    return QString();
}

QString FileErrorText(int error)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("磁盘空间已满。");
    case EDQUOT:
        return QStringLiteral("超出了磁盘配额。");
    case EFBIG:
        return QStringLiteral("文件超过了系统允许的大小。");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限。");
    case EROFS:
        return QStringLiteral("磁盘是只读的。");
    case ENOENT:
        return QStringLiteral("文件夹或文件不存在。");
    case ENOTDIR:
        return QStringLiteral("路径中有一段不是文件夹。");
    case EISDIR:
        return QStringLiteral("这是一个文件夹。");
    case ENAMETOOLONG:
        return QStringLiteral("文件名太长。");
    case EINVAL:
        return QStringLiteral("文件名不合法。");
    case EIO:
        return QStringLiteral("磁盘读写出错。");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("打开的文件太多。");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("设备不可用。");
    default:
        break;
    }
    return QStringLiteral("系统错误：%1").arg(QString::fromLocal8Bit(std::strerror(error)));
}
