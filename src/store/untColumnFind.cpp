#include "store/untColumnFind.h"

#include <algorithm>
#include <cstring>

namespace
{
char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// An amount as shown, without grouping: two decimals, rounded half away from zero.
int TwoDecimals(qint64 raw, char* out)
{
    const bool negative = raw < 0;
    // Ten-thousandths to hundredths without overflow at the ends of the range.
    quint64 magnitude = negative ? quint64(0) - quint64(raw) : quint64(raw);
    magnitude = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);
    char digits[24];
    int n = 0;
    do {
        digits[n++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0 || n < 3);
    int len = 0;
    if (negative && !(n == 3 && std::all_of(digits, digits + 3, [](char d) { return d == '0'; })))
        out[len++] = '-';
    for (int i = n - 1; i >= 2; --i)
        out[len++] = digits[i];
    out[len++] = '.';
    out[len++] = digits[1];
    out[len++] = digits[0];
    return len;
}
} // namespace

TTextMatcher::TTextMatcher(const QString& text, bool wholeCell) : m_text(text), m_whole(wholeCell)
{
    m_utf8 = text.toUtf8();
    std::transform(m_utf8.begin(), m_utf8.end(), m_utf8.begin(), Lower);
    QString plain = text.trimmed();
    plain.remove(QLatin1Char(','));
    m_amountText = plain.toUtf8();
    // An amount is shown with digits, a point and a minus sign only.
    m_amountShowable = !m_amountText.isEmpty() &&
                       std::all_of(m_amountText.begin(), m_amountText.end(), [](char c) {
                           return (c >= '0' && c <= '9') || c == '.' || c == '-';
                       });
    if (const auto amount = Currency::FromText(plain)) {
        m_amountValue = true;
        m_amount = amount->Raw();
    }
}

bool TTextMatcher::Matches(const QString& cell) const
{
    if (m_text.isEmpty())
        return false;
    return m_whole ? cell.compare(m_text, Qt::CaseInsensitive) == 0
                   : cell.contains(m_text, Qt::CaseInsensitive);
}

bool TTextMatcher::MatchesUtf8(QByteArrayView cell) const
{
    if (m_utf8.isEmpty() || cell.size() < m_utf8.size())
        return false;
    const auto same = [](char a, char b) { return Lower(a) == b; };
    if (m_whole)
        return cell.size() == m_utf8.size() &&
               std::equal(cell.begin(), cell.end(), m_utf8.begin(), same);
    return std::search(cell.begin(), cell.end(), m_utf8.begin(), m_utf8.end(), same) != cell.end();
}

bool TTextMatcher::MatchesRaw(qint64 raw) const
{
    if (m_whole)
        return m_amountValue && raw == m_amount;
    if (!m_amountShowable)
        return false;
    char text[32];
    const int len = TwoDecimals(raw, text);
    return std::search(text, text + len, m_amountText.begin(), m_amountText.end()) != text + len;
}

bool TTextMatcher::MatchesAmount(const QString& cellText) const
{
    if (const auto amount = Currency::FromText(cellText))
        return MatchesRaw(amount->Raw());
    if (cellText.isEmpty())
        return false;
    // Not an exact amount (more decimals, the "≈" of a sum): as shown, without grouping.
    QString shown = FormatAmountText(cellText);
    shown.remove(QLatin1Char(','));
    if (m_whole)
        return m_amountValue && shown.compare(m_text, Qt::CaseInsensitive) == 0;
    return !m_amountText.isEmpty() && shown.toUtf8().contains(m_amountText);
}

bool TTextMatcher::MatchesCell(const TColumnStore& part, int row, int col, bool amounts) const
{
    if (m_text.isEmpty() || part.IsNull(row, col))
        return false;
    if (amounts)
        return part.ColumnKind(col) == TColumnStore::Kind::Number
                   ? MatchesRaw(part.Money(row, col).Raw())
                   : MatchesAmount(part.Text(row, col));
    QByteArrayView bytes;
    return part.PackedUtf8(row, col, bytes) ? MatchesUtf8(bytes) : Matches(part.Text(row, col));
}

void TTextMatcher::MarkRows(const TColumnStore& part, int col, bool amounts,
                            std::vector<char>& hits, int first, int from, int to) const
{
    if (m_text.isEmpty())
        return;
    const int rows = to < 0 ? part.RowCount() : std::min(to, part.RowCount());
    const TColumnStore::Kind kind = part.ColumnKind(col);
    if (amounts && kind == TColumnStore::Kind::Number) {
        if (m_whole ? !m_amountValue : !m_amountShowable)
            return;
        qint64 last = 0; // amounts repeat (zeros above all): each run is shown once
        bool lastHit = MatchesRaw(last);
        for (int r = from; r < rows; ++r) {
            if (hits[size_t(first + r)] || part.IsNull(r, col))
                continue;
            const qint64 raw = part.Money(r, col).Raw();
            if (raw != last) {
                last = raw;
                lastHit = MatchesRaw(raw);
            }
            if (lastHit)
                hits[size_t(first + r)] = 1;
        }
        return;
    }
    if (amounts) {
        for (int r = from; r < rows; ++r)
            if (!hits[size_t(first + r)] && MatchesCell(part, r, col, true))
                hits[size_t(first + r)] = 1;
        return;
    }
    std::vector<signed char> distinct; // per dictionary text: -1 not yet tried
    QByteArrayView bytes;
    for (int r = from; r < rows; ++r) {
        if (hits[size_t(first + r)])
            continue;
        bool hit = false;
        const int id = part.TextId(r, col);
        if (id >= 0) {
            if (size_t(id) >= distinct.size())
                distinct.resize(size_t(id) + 1, -1);
            if (distinct[size_t(id)] < 0)
                distinct[size_t(id)] = Matches(part.Text(r, col)) ? 1 : 0;
            hit = distinct[size_t(id)] == 1;
        } else if (id == -1) {
            hit = false;
        } else if (part.PackedUtf8(r, col, bytes)) {
            hit = MatchesUtf8(bytes);
        } else {
            hit = Matches(part.Text(r, col));
        }
        if (hit)
            hits[size_t(first + r)] = 1;
    }
}
