#include "store/untColumnStore.h"

#include "platform/untException.h"

#include <QDate>
#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace
{
constexpr size_t kPackAfter = 4096; // distinct texts before packing is considered
constexpr double kMaxScaled = 9.0e17;

QString VariantText(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return v.toString();
    }
}

// A value with at most four decimals that fits, as ten-thousandths.
bool ExactRaw(double d, qint64& raw)
{
    // A decimal stored as a double is the value its 15 significant digits show (at 10^12 the
    // double itself is off by several ten-thousandths).
    const std::optional<Currency> exact = Currency::FromDoubleExact(d);
    if (!exact || !(std::fabs(static_cast<double>(exact->Raw())) < kMaxScaled))
        return false;
    raw = exact->Raw();
    return true;
}
} // namespace

void TColumnStore::SetColumns(const QStringList& names, const QList<bool>& numeric)
{
    m_columns.clear();
    m_columns.resize(names.size());
    for (int i = 0; i < names.size(); ++i) {
        m_columns[i].Name = names[i];
        m_columns[i].numericHint = numeric.value(i);
    }
    m_rows = 0;
}

int TColumnStore::ColumnIndex(const QString& name) const
{
    for (int i = 0; i < ColumnCount(); ++i)
        if (m_columns[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TColumnStore::Column& TColumnStore::Prepare(int col, Incoming incoming, std::string_view text)
{
    Column& c = m_columns[col];
    if (c.kind != Kind::Empty || incoming == Incoming::Null)
        return c;
    bool number = incoming != Incoming::Text;
    if (!number && c.numericHint)
        number = bool(Currency::FromUtf8(QByteArrayView(text)));
    c.kind = number ? Kind::Number : Kind::Text;
    for (int i = 0; i < c.leadingNulls; ++i) {
        if (number)
            AddNumber(c, 0, true);
        else
            AddText(c, {}, true);
    }
    c.leadingNulls = 0;
    return c;
}

void TColumnStore::AppendNull(int col)
{
    Column& c = m_columns[col];
    switch (c.kind) {
    case Kind::Empty:
        ++c.leadingNulls;
        break;
    case Kind::Text:
        AddText(c, {}, true);
        break;
    default:
        AddNumber(c, 0, true);
    }
}

void TColumnStore::AppendInt(int col, qint64 value)
{
    Column& c = Prepare(col, Incoming::Int);
    if (c.kind == Kind::Text) {
        const QByteArray t = QByteArray::number(value);
        AddText(c, std::string_view(t.constData(), size_t(t.size())), false);
    } else if (c.kind == Kind::Real) {
        AddReal(c, static_cast<double>(value));
    } else if (value > 900000000000000LL || value < -900000000000000LL) {
        // Beyond ten-thousandths in 64 bits: kept exact as its digits.
        NumberToText(c);
        const QByteArray t = QByteArray::number(value);
        AddText(c, std::string_view(t.constData(), size_t(t.size())), false);
    } else {
        AddNumber(c, value * 10000, false);
    }
}

void TColumnStore::AppendReal(int col, double value)
{
    Column& c = Prepare(col, Incoming::Real);
    qint64 raw = 0;
    if (c.kind == Kind::Text) {
        const QByteArray t = QByteArray::number(value, 'g', 15);
        AddText(c, std::string_view(t.constData(), size_t(t.size())), false);
    } else if (c.kind == Kind::Number && ExactRaw(value, raw)) {
        AddNumber(c, raw, false);
    } else {
        AddReal(c, value);
    }
}

void TColumnStore::AppendUtf8(int col, const char* data, int size)
{
    const std::string_view text(data, size_t(size));
    Column& c = Prepare(col, Incoming::Text, text);
    if (c.kind == Kind::Text) {
        AddText(c, text, false);
        return;
    }
    // A number column: exact decimals stay numbers, anything else turns it into text.
    if (c.kind == Kind::Number) {
        if (auto money = Currency::FromUtf8(QByteArrayView(data, size))) {
            AddNumber(c, money->Raw(), false);
            return;
        }
    }
    NumberToText(c);
    AddText(c, text, false);
}

void TColumnStore::Append(int col, const QVariant& value)
{
    if (value.isNull()) {
        AppendNull(col);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        AppendInt(col, value.toLongLong());
        return;
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        AppendReal(col, value.toDouble());
        return;
    default: {
        const QByteArray utf8 = VariantText(value).toUtf8();
        AppendUtf8(col, utf8.constData(), int(utf8.size()));
    }
    }
}

void TColumnStore::AddText(Column& c, std::string_view utf8, bool isNull)
{
    if (c.packed) {
        c.offsets.push_back(c.buffer.size());
        c.buffer.append(QByteArrayView(utf8));
        c.nulls.push_back(isNull);
        return;
    }
    if (isNull) {
        c.ids.push_back(-1);
        return;
    }
    if (c.lastKey && *c.lastKey == utf8) {
        c.ids.push_back(c.lastId);
        return;
    }
    auto it = c.lookup.find(utf8);
    if (it == c.lookup.end()) {
        const int id = static_cast<int>(c.dict.size());
        c.dict.push_back(QString::fromUtf8(QByteArrayView(utf8)));
        it = c.lookup.emplace(std::string(utf8), id).first;
        // Mostly distinct values (ids, notes): a dictionary only costs memory.
        if (c.dict.size() > kPackAfter && c.dict.size() * 2 > c.ids.size()) {
            c.ids.push_back(id);
            ToPacked(c);
            return;
        }
    }
    c.lastKey = &it->first;
    c.lastId = it->second;
    c.ids.push_back(c.lastId);
}

void TColumnStore::ToPacked(Column& c)
{
    c.packed = true;
    c.offsets.reserve(c.ids.size() * 2);
    for (qint32 id : c.ids) {
        c.offsets.push_back(c.buffer.size());
        c.nulls.push_back(id < 0);
        if (id >= 0)
            c.buffer += c.dict[size_t(id)].toUtf8();
    }
    c.ids = {};
    c.dict = {};
    c.lookup = {};
    c.lastKey = nullptr;
    c.lastId = -1;
}

void TColumnStore::AddNumber(Column& c, qint64 raw, bool isNull)
{
    c.numNulls.push_back(isNull);
    if (c.kind == Kind::Real)
        c.reals.push_back(static_cast<double>(raw) / 10000.0);
    else
        c.raws.push_back(raw);
}

void TColumnStore::AddReal(Column& c, double value)
{
    if (c.kind == Kind::Number)
        NumberToReal(c);
    c.numNulls.push_back(false);
    c.reals.push_back(value);
}

void TColumnStore::NumberToReal(Column& c)
{
    c.kind = Kind::Real;
    c.reals.reserve(c.raws.size() + 1);
    for (qint64 r : c.raws)
        c.reals.push_back(static_cast<double>(r) / 10000.0);
    c.raws = {};
}

QString TColumnStore::NumberText(const Column& c, int row)
{
    if (c.numNulls[size_t(row)])
        return QString();
    if (c.kind == Kind::Real)
        return PlainNumberText(c.reals[size_t(row)]);
    return Currency::FromRaw(c.raws[size_t(row)]).ToSqlText();
}

void TColumnStore::NumberToText(Column& c)
{
    const int rows = static_cast<int>(c.numNulls.size());
    std::vector<QByteArray> texts;
    texts.reserve(size_t(rows));
    for (int r = 0; r < rows; ++r)
        texts.push_back(NumberText(c, r).toUtf8());
    const std::vector<bool> nulls(c.numNulls);
    c.kind = Kind::Text;
    c.raws = {};
    c.reals = {};
    c.numNulls = {};
    for (int r = 0; r < rows; ++r)
        AddText(c, std::string_view(texts[size_t(r)].constData(), size_t(texts[size_t(r)].size())),
                nulls[size_t(r)]);
}

bool TColumnStore::IsNull(int row, int col) const
{
    const Column& c = m_columns[col];
    switch (c.kind) {
    case Kind::Empty:
        return true;
    case Kind::Text:
        return c.packed ? bool(c.nulls[size_t(row)]) : c.ids[size_t(row)] < 0;
    default:
        return c.numNulls[size_t(row)];
    }
}

QString TColumnStore::Text(int row, int col) const
{
    const Column& c = m_columns[col];
    switch (c.kind) {
    case Kind::Empty:
        return QString();
    case Kind::Text:
        if (c.packed) {
            const qint64 start = c.offsets[size_t(row)];
            const qint64 end =
                size_t(row + 1) < c.offsets.size() ? c.offsets[size_t(row) + 1] : c.buffer.size();
            return QString::fromUtf8(c.buffer.constData() + start, end - start);
        }
        return c.ids[size_t(row)] < 0 ? QString() : c.dict[size_t(c.ids[size_t(row)])];
    default:
        return NumberText(c, row);
    }
}

double TColumnStore::Float(int row, int col) const
{
    const Column& c = m_columns[col];
    switch (c.kind) {
    case Kind::Number:
        return c.numNulls[size_t(row)] ? 0.0 : static_cast<double>(c.raws[size_t(row)]) / 10000.0;
    case Kind::Real:
        return c.numNulls[size_t(row)] ? 0.0 : c.reals[size_t(row)];
    case Kind::Text:
        return Text(row, col).toDouble();
    case Kind::Empty:
        break;
    }
    return 0.0;
}

Currency TColumnStore::Money(int row, int col) const
{
    const Column& c = m_columns[col];
    switch (c.kind) {
    case Kind::Number:
        return c.numNulls[size_t(row)] ? Currency() : Currency::FromRaw(c.raws[size_t(row)]);
    case Kind::Real:
        return c.numNulls[size_t(row)] ? Currency() : Currency::FromDouble(c.reals[size_t(row)]);
    case Kind::Text: {
        const QString text = Text(row, col);
        if (text.isEmpty())
            return Currency();
        if (const std::optional<Currency> money = Currency::FromText(text))
            return *money;
        throw Exception(QStringLiteral("“%1”不是金额，或超出可处理的范围").arg(text));
    }
    case Kind::Empty:
        break;
    }
    return Currency();
}

QVariant TColumnStore::Value(int row, int col) const
{
    const Column& c = m_columns[col];
    if (IsNull(row, col))
        return QVariant();
    switch (c.kind) {
    case Kind::Number: {
        const qint64 raw = c.raws[size_t(row)];
        if (raw % 10000 == 0)
            return QVariant(static_cast<qlonglong>(raw / 10000));
        return QVariant(static_cast<double>(raw) / 10000.0);
    }
    case Kind::Real:
        return QVariant(c.reals[size_t(row)]);
    default:
        return QVariant(Text(row, col));
    }
}

void TColumnStore::AddToSum(int row, int col, TMoneySum& sum) const
{
    const Column& c = m_columns[col];
    switch (c.kind) {
    case Kind::Number:
        if (!c.numNulls[size_t(row)])
            sum.AddRaw(c.raws[size_t(row)]);
        break;
    case Kind::Real:
        if (!c.numNulls[size_t(row)])
            sum.AddDouble(c.reals[size_t(row)]);
        break;
    case Kind::Text:
        sum.AddText(Text(row, col));
        break;
    case Kind::Empty:
        break;
    }
}

int TColumnStore::MaxTextLength(int col) const
{
    const Column& c = m_columns[col];
    int longest = 0;
    if (c.kind == Kind::Text && c.packed) {
        for (size_t r = 0; r < c.offsets.size(); ++r) {
            const qint64 end = r + 1 < c.offsets.size() ? c.offsets[r + 1] : c.buffer.size();
            longest = std::max(longest, int(end - c.offsets[r]));
        }
    } else if (c.kind == Kind::Text) {
        for (const QString& s : c.dict)
            longest = std::max(longest, int(s.size()));
    } else {
        for (int r = 0; r < m_rows; ++r)
            longest = std::max(longest, int(Text(r, col).size()));
    }
    return longest;
}

int TColumnStore::TextId(int row, int col) const
{
    const Column& c = m_columns[col];
    if (c.kind != Kind::Text || c.packed)
        return -2;
    return c.ids[size_t(row)];
}

bool TColumnStore::PackedUtf8(int row, int col, QByteArrayView& bytes) const
{
    const Column& c = m_columns[col];
    if (c.kind != Kind::Text || !c.packed)
        return false;
    const qint64 start = c.offsets[size_t(row)];
    const qint64 end =
        size_t(row + 1) < c.offsets.size() ? c.offsets[size_t(row) + 1] : c.buffer.size();
    bytes = QByteArrayView(c.buffer.constData() + start, end - start);
    return true;
}

size_t TColumnStore::MemoryBytes() const
{
    size_t total = 0;
    for (const Column& c : m_columns) {
        total += c.ids.capacity() * sizeof(qint32) + c.offsets.capacity() * sizeof(qint64);
        total += size_t(c.buffer.capacity()) + c.raws.capacity() * 8 + c.reals.capacity() * 8;
        total += (c.nulls.capacity() + c.numNulls.capacity()) / 8;
        for (const QString& s : c.dict)
            total += 64 + size_t(s.size()) * 2 * 2; // text, key and map node
    }
    return total;
}
