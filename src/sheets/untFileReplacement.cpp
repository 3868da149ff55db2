#include "sheets/untFileReplacement.h"

#include "platform/untException.h"
#include "platform/untFileGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

QString WriteError(const QString& path, QString why)
{
    if (!why.endsWith(u'。'))
        why += u'。';
    // The old file is named only where there is one.
    return QStringLiteral("无法写入文件%1：%2没有写出文件%3。")
        .arg(QDir::toNativeSeparators(path), why,
             QFileInfo::exists(path) ? QStringLiteral("，同名的原有文件保持不变") : QString());
}

QString WritableTarget(const QString& path)
{
    if (const QString why = CannotWriteFile(path); !why.isEmpty())
        throw Exception(WriteError(path, why));
    return QFileInfo(path).isSymLink() && QFileInfo::exists(path)
               ? QFileInfo(path).canonicalFilePath()
               : path;
}

TFileReplacement::TFileReplacement(const QString& path) : m_path(path)
{
    const QFileInfo info(path);
    struct stat old {
    };
    const bool replacing = ::stat(QFile::encodeName(path).constData(), &old) == 0;
    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_temp = info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                 QStringLiteral(".%1.part")
                     .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        m_fd = ::open(QFile::encodeName(m_temp).constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && (errno != EEXIST || attempt > 8))
            Fail(errno);
    }
    if (replacing)
        ::fchmod(m_fd, old.st_mode & 07777); // the replaced file's permissions, not ours
}

TFileReplacement::~TFileReplacement()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed)
        ::unlink(QFile::encodeName(m_temp).constData());
}

void TFileReplacement::Write(const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Fail(errno);
        done += n;
    }
}

void TFileReplacement::Release()
{
    if (m_fd >= 0 && ::close(m_fd) != 0) {
        m_fd = -1;
        Fail(errno);
    }
    m_fd = -1;
}

void TFileReplacement::Commit()
{
    if (m_fd < 0 &&
        (m_fd = ::open(QFile::encodeName(m_temp).constData(), O_RDONLY | O_CLOEXEC)) < 0)
        Fail(errno);
    if (::fsync(m_fd) != 0)
        Fail(errno);
    Release();
    if (::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_path).constData()) != 0)
        Fail(errno);
    m_committed = true;
    const int folder = ::open(QFile::encodeName(QFileInfo(m_path).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) { // the new name on the disk too
        ::fsync(folder);
        ::close(folder);
    }
}

void TFileReplacement::Fail(int error, const QString& libraryText) const
{
    struct statvfs fs {
    };
    if (error == 0 &&
        ::statvfs(QFile::encodeName(QFileInfo(m_path).absolutePath()).constData(), &fs) == 0 &&
        fs.f_bavail == 0)
        error = ENOSPC;
    throw Exception(WriteError(m_path, error != 0 || libraryText.isEmpty()
                                           ? FileErrorText(error ? error : EIO)
                                           : libraryText));
}
