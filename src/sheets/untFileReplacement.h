#pragma once
// A file written beside its destination that takes the destination's place only when complete.

#include <QByteArray>
#include <QString>

// "无法写入文件<path>：<why>没有写出文件。", naming the file of that name kept as it was when
// there is one.
QString WriteError(const QString& path, QString why);

// The file to write for a path the operator chose: a link is followed (the file it names is
// replaced, the link stays). Raises Exception, before anything is written, for a path nothing
// may be written to (an open database's file, a device, a missing or system folder).
QString WritableTarget(const QString& path);

// The file is written under a hidden temporary name in the destination's folder and renamed
// over it on Commit, so a failed or cancelled write leaves a file of that name exactly as it
// was (and no partial file). Failures raise Exception with the cause named for a person.
class TFileReplacement
{
public:
    explicit TFileReplacement(const QString& path);
    ~TFileReplacement();
    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;

    QString TempPath() const { return m_temp; }
    // The open temporary file (-1 once released).
    int Descriptor() const { return m_fd; }
    void Write(const QByteArray& bytes);
    // Closes the descriptor (another writer fills the file by its name).
    void Release();
    // On the disk, then in the destination's place.
    void Commit();
    // The cause by its error number; a full disk is named even where a library lost it.
    [[noreturn]] void Fail(int error, const QString& libraryText = QString()) const;

private:
    QString m_path;
    QString m_temp;
    int m_fd = -1;
    bool m_committed = false;
};
