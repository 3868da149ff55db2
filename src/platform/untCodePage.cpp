#include "platform/untCodePage.h"

#include <QStringDecoder>
#include <cerrno>
#include <iconv.h>

namespace
{
// With `badOffset` the conversion stops at the first byte it cannot convert and tells where
// (-1 when there is none); without, such a unit becomes the replacement.
QByteArray Convert(const char* to, const char* from, const QByteArray& in, char replacement,
                   qsizetype* badOffset = nullptr)
{
    if (badOffset)
        *badOffset = -1;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (badOffset)
            *badOffset = 0;
        return {};
    }
    QByteArray out;
    out.reserve(in.size() * 2 + 4);
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    char buf[4096];
    while (srcLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, static_cast<qsizetype>(dst - buf));
        if (rc == static_cast<size_t>(-1) && errno != E2BIG && badOffset) {
            *badOffset = src - in.constData();
            break;
        }
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            // Skip one unconvertible unit: a UTF-8 sequence or a single byte.
            size_t skip = 1;
            if (qstrcmp(from, "UTF-8") == 0) {
                const unsigned char c = static_cast<unsigned char>(*src);
                skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            }
            skip = std::min(skip, srcLeft);
            src += skip;
            srcLeft -= skip;
            if (qstrcmp(to, "UTF-8") == 0)
                out.append("\xEF\xBF\xBD");
            else
                out.append(replacement);
        }
    }
    iconv_close(cd);
    return out;
}
} // namespace

QByteArray ToCp936(const QString& text)
{
    return Convert("CP936", "UTF-8", text.toUtf8(), '?');
}

QString FromCp936(const QByteArray& bytes)
{
    return QString::fromUtf8(Convert("UTF-8", "CP936", bytes, '?'));
}

QString FromCp936Strict(const QByteArray& bytes, qsizetype& badOffset)
{
    const QByteArray utf8 = Convert("UTF-8", "CP936", bytes, '?', &badOffset);
    return badOffset < 0 ? QString::fromUtf8(utf8) : QString();
}

QString Cp936Left(const QString& text, int count)
{
    return FromCp936(ToCp936(text).left(std::max(0, count)));
}

QString Cp936DropRight(const QString& text, int count)
{
    const QByteArray bytes = ToCp936(text);
    return FromCp936(bytes.left(std::max<qsizetype>(0, bytes.size() - count)));
}

bool IsValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}
