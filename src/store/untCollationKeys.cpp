#include "store/untCollationKeys.h"

#include <exception>
#include <memory>
#include <thread>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace
{
struct TCollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};
using TCollatorPtr = std::unique_ptr<UCollator, TCollatorCloser>;

// A collator set as QCollator sets its own: normalisation on, case ignored at the secondary
// strength, numeric and punctuation modes as chosen.
TCollatorPtr OpenLike(const QCollator& collator)
{
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray name = collator.locale().bcp47Name().replace('-', '_').toLatin1();
    TCollatorPtr c(ucol_open(name.constData(), &status));
    if (U_FAILURE(status))
        return nullptr;
    ucol_setAttribute(c.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(c.get(), UCOL_STRENGTH,
                      collator.caseSensitivity() == Qt::CaseSensitive ? UCOL_DEFAULT_STRENGTH
                                                                      : UCOL_SECONDARY,
                      &status);
    ucol_setAttribute(c.get(), UCOL_NUMERIC_COLLATION, collator.numericMode() ? UCOL_ON : UCOL_OFF,
                      &status);
    ucol_setAttribute(c.get(), UCOL_ALTERNATE_HANDLING,
                      collator.ignorePunctuation() ? UCOL_SHIFTED : UCOL_NON_IGNORABLE, &status);
    if (U_FAILURE(status))
        return nullptr;
    return c;
}

// The keys of texts [from, to), without their closing zero byte (no key holds another).
bool MakeKeys(const std::vector<std::string_view>& texts, size_t from, size_t to,
              const QCollator& collator, std::vector<char>& bytes, std::vector<size_t>& starts)
{
    const TCollatorPtr c = OpenLike(collator);
    if (!c)
        return false;
    starts.reserve(to - from + 1);
    bytes.reserve((to - from) * 32);
    std::vector<UChar> utf16;
    for (size_t i = from; i < to; ++i) {
        // A malformed sequence reads as U+FFFD, as QString::fromUtf8 reads it.
        const std::string_view s = texts[i];
        utf16.resize(s.size() + 1);
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8WithSub(utf16.data(), int32_t(utf16.size()), &length, s.data(),
                             int32_t(s.size()), 0xFFFD, nullptr, &status);
        if (U_FAILURE(status))
            return false;
        const size_t at = bytes.size();
        starts.push_back(at);
        size_t room = s.size() * 4 + 16;
        for (;;) {
            bytes.resize(at + room);
            const int32_t n =
                ucol_getSortKey(c.get(), utf16.data(), length,
                                reinterpret_cast<uint8_t*>(bytes.data() + at), int32_t(room));
            if (n <= 0)
                return false;
            if (size_t(n) <= room) {
                bytes.resize(at + size_t(n) - 1);
                break;
            }
            room = size_t(n);
        }
    }
    starts.push_back(bytes.size());
    return true;
}
} // namespace

TCollationKeys::TCollationKeys(const std::vector<std::string_view>& texts,
                               const QCollator& collator)
{
    // Two halves side by side when there are enough texts to pay for a thread.
    const size_t n = texts.size();
    const size_t half = n >= 20000 && std::thread::hardware_concurrency() > 1 ? n / 2 : n;
    std::vector<char> secondBytes;
    std::vector<size_t> secondStarts;
    bool secondOk = true;
    std::exception_ptr failure;
    std::thread second;
    if (half < n)
        second = std::thread([&] {
            try {
                secondOk = MakeKeys(texts, half, n, collator, secondBytes, secondStarts);
            } catch (...) {
                failure = std::current_exception();
            }
        });
    try {
        m_ok = MakeKeys(texts, 0, half, collator, m_bytes, m_starts);
    } catch (...) {
        if (second.joinable())
            second.join();
        throw;
    }
    if (second.joinable())
        second.join();
    if (failure)
        std::rethrow_exception(failure);
    m_ok = m_ok && secondOk;
    if (!m_ok || half == n)
        return;
    const size_t offset = m_bytes.size();
    m_bytes.insert(m_bytes.end(), secondBytes.begin(), secondBytes.end());
    m_starts.pop_back(); // the second half's first start is the first half's end
    for (size_t start : secondStarts)
        m_starts.push_back(offset + start);
}
