#include "sheets/untZipWriter.h"

#include "sheets/untFileReplacement.h"

#include <stdexcept>

namespace
{
constexpr quint32 kMax32 = 0xFFFFFFFFu;
constexpr quint16 kVersion = 45;            // zip64
constexpr quint16 kFlags = 0x0008 | 0x0800; // sizes after the data; names in UTF-8
constexpr quint16 kDeflated = 8;
constexpr int kOutChunk = 1 << 18;

void Le(QByteArray& b, quint64 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b += char((value >> (8 * i)) & 0xFF);
}
} // namespace

TZipWriter::TZipWriter(TFileReplacement& file, int level) : m_file(file), m_level(level)
{
    m_out.resize(kOutChunk);
}

TZipWriter::~TZipWriter()
{
    if (m_open)
        deflateEnd(&m_zip);
}

void TZipWriter::Put(const QByteArray& bytes)
{
    m_file.Write(bytes);
    m_written += quint64(bytes.size());
}

void TZipWriter::Begin(const QByteArray& name)
{
    m_entry = Entry{name, m_written, 0, 0, quint32(crc32(0, nullptr, 0))};
    QByteArray h;
    Le(h, 0x04034b50, 4);
    Le(h, kVersion, 2);
    Le(h, kFlags, 2);
    Le(h, kDeflated, 2);
    Le(h, 0, 4); // time and date: none
    Le(h, 0, 4); // checksum and sizes follow the data
    Le(h, kMax32, 4);
    Le(h, kMax32, 4);
    Le(h, quint64(name.size()), 2);
    Le(h, 20, 2);
    h += name;
    Le(h, 0x0001, 2); // zip64: the descriptor's sizes take 8 bytes
    Le(h, 16, 2);
    Le(h, 0, 8);
    Le(h, 0, 8);
    Put(h);
    m_zip = z_stream{};
    if (deflateInit2(&m_zip, m_level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::bad_alloc();
    m_open = true;
}

void TZipWriter::Write(const char* data, qsizetype size)
{
    m_entry.Crc = quint32(crc32_z(m_entry.Crc, reinterpret_cast<const Bytef*>(data), size_t(size)));
    m_entry.Size += quint64(size);
    m_zip.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    m_zip.avail_in = uInt(size);
    Deflate(Z_NO_FLUSH);
}

void TZipWriter::Deflate(int flush)
{
    do {
        m_zip.next_out = reinterpret_cast<Bytef*>(m_out.data());
        m_zip.avail_out = uInt(m_out.size());
        const int result = deflate(&m_zip, flush);
        if (result == Z_STREAM_ERROR)
            throw std::logic_error("deflate");
        const qsizetype produced = m_out.size() - qsizetype(m_zip.avail_out);
        if (produced > 0) {
            Put(QByteArray::fromRawData(m_out.constData(), produced));
            m_entry.Compressed += quint64(produced);
        }
    } while (m_zip.avail_out == 0 || (flush == Z_FINISH && m_zip.avail_in > 0));
}

void TZipWriter::End()
{
    m_zip.avail_in = 0;
    for (;;) {
        m_zip.next_out = reinterpret_cast<Bytef*>(m_out.data());
        m_zip.avail_out = uInt(m_out.size());
        const int result = deflate(&m_zip, Z_FINISH);
        const qsizetype produced = m_out.size() - qsizetype(m_zip.avail_out);
        if (produced > 0) {
            Put(QByteArray::fromRawData(m_out.constData(), produced));
            m_entry.Compressed += quint64(produced);
        }
        if (result == Z_STREAM_END)
            break;
        if (result != Z_OK && result != Z_BUF_ERROR)
            throw std::logic_error("deflate");
    }
    deflateEnd(&m_zip);
    m_open = false;
    QByteArray d;
    Le(d, 0x08074b50, 4);
    Le(d, m_entry.Crc, 4);
    Le(d, m_entry.Compressed, 8);
    Le(d, m_entry.Size, 8);
    Put(d);
    m_entries << m_entry;
}

void TZipWriter::Finish()
{
    const quint64 directory = m_written;
    for (const Entry& e : std::as_const(m_entries)) {
        // Values that do not fit 32 bits go to the zip64 field, in this order.
        QByteArray wide;
        const auto field = [&](quint64 value) -> quint32 {
            if (value < kMax32)
                return quint32(value);
            Le(wide, value, 8);
            return kMax32;
        };
        const quint32 size = field(e.Size);
        const quint32 compressed = field(e.Compressed);
        const quint32 offset = field(e.Offset);
        QByteArray h;
        Le(h, 0x02014b50, 4);
        Le(h, kVersion, 2); // made by
        Le(h, kVersion, 2);
        Le(h, kFlags, 2);
        Le(h, kDeflated, 2);
        Le(h, 0, 4);
        Le(h, e.Crc, 4);
        Le(h, compressed, 4);
        Le(h, size, 4);
        Le(h, quint64(e.Name.size()), 2);
        Le(h, wide.isEmpty() ? 0 : quint64(wide.size()) + 4, 2);
        Le(h, 0, 2); // comment
        Le(h, 0, 2); // disk
        Le(h, 0, 2); // internal attributes
        Le(h, 0, 4); // external attributes
        Le(h, offset, 4);
        h += e.Name;
        if (!wide.isEmpty()) {
            Le(h, 0x0001, 2);
            Le(h, quint64(wide.size()), 2);
            h += wide;
        }
        Put(h);
    }
    const quint64 directorySize = m_written - directory;
    const quint64 count = quint64(m_entries.size());
    QByteArray end;
    if (directory >= kMax32 || directorySize >= kMax32) {
        const quint64 record = m_written;
        Le(end, 0x06064b50, 4);
        Le(end, 44, 8);
        Le(end, kVersion, 2);
        Le(end, kVersion, 2);
        Le(end, 0, 4);
        Le(end, 0, 4);
        Le(end, count, 8);
        Le(end, count, 8);
        Le(end, directorySize, 8);
        Le(end, directory, 8);
        Le(end, 0x07064b50, 4);
        Le(end, 0, 4);
        Le(end, record, 8);
        Le(end, 1, 4);
    }
    Le(end, 0x06054b50, 4);
    Le(end, 0, 2);
    Le(end, 0, 2);
    Le(end, count, 2);
    Le(end, count, 2);
    Le(end, std::min<quint64>(directorySize, kMax32), 4);
    Le(end, std::min<quint64>(directory, kMax32), 4);
    Le(end, 0, 2);
    Put(end);
}
