#pragma once
// A zip archive written front to back: parts deflated as they come, sizes after the data.

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <zlib.h>

class TFileReplacement;

// Each part is streamed through deflate into the file (no seeking, no part held whole), its
// sizes and checksum in a descriptor after it; parts and offsets beyond 4 GB take the zip64
// forms. Failures of the file raise its Exception.
class TZipWriter
{
public:
    TZipWriter(TFileReplacement& file, int level);
    ~TZipWriter();
    TZipWriter(const TZipWriter&) = delete;
    TZipWriter& operator=(const TZipWriter&) = delete;

    void Begin(const QByteArray& name);
    void Write(const char* data, qsizetype size);
    void Write(const QByteArray& data) { Write(data.constData(), data.size()); }
    void End();
    // The central directory: the archive is complete.
    void Finish();

private:
    struct Entry {
        QByteArray Name;
        quint64 Offset = 0;
        quint64 Compressed = 0;
        quint64 Size = 0;
        quint32 Crc = 0;
    };
    void Deflate(int flush);
    void Put(const QByteArray& bytes);

    TFileReplacement& m_file;
    int m_level;
    z_stream m_zip{};
    bool m_open = false;
    QByteArray m_out;
    quint64 m_written = 0;
    Entry m_entry;
    QList<Entry> m_entries;
};
