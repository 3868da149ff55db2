#include "untColumnStore.h"

#include <QDate>
#include <QDateTime>
#include <cmath>

namespace
{
constexpr int kPackAfter = 4096; // distinct texts before packing is considered

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

bool IsNumberVariant(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
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

void TColumnStore::FillNulls(Column& c, int count)
{
    for (int i = 0; i < count; ++i) {
        if (c.kind == Kind::Text)
            AppendText(c, QString(), true);
        else
            AppendNumber(c, QVariant(), true);
    }
}

void TColumnStore::Append(int col, const QVariant& value)
{
    Column& c = m_columns[col];
    const bool isNull = value.isNull();
    if (c.kind == Kind::Empty) {
        if (isNull) {
            ++c.leadingNulls;
            return;
        }
        const bool number =
            IsNumberVariant(value) || (c.numericHint && value.typeId() == QMetaType::QString &&
                                       Currency::FromText(value.toString()));
        c.kind = number ? Kind::Number : Kind::Text;
        FillNulls(c, c.leadingNulls);
        c.leadingNulls = 0;
    }
    if (c.kind == Kind::Text) {
        AppendText(c, isNull ? QString() : VariantText(value), isNull);
        return;
    }
    if (!isNull && !IsNumberVariant(value)) {
        const QString text = VariantText(value);
        if (c.kind == Kind::Number && Currency::FromText(text)) {
            AppendNumber(c, QVariant(text), false);
            return;
        }
        NumberToText(c);
        AppendText(c, text, false);
        return;
    }
    AppendNumber(c, value, isNull);
}

void TColumnStore::AppendText(Column& c, const QString& text, bool isNull)
{
    if (c.packed) {
        c.offsets.push_back(c.buffer.size());
        c.buffer += text;
        c.nulls.push_back(isNull);
        return;
    }
    if (isNull) {
        c.ids.push_back(-1);
        return;
    }
    auto it = c.lookup.constFind(text);
    if (it == c.lookup.constEnd()) {
        const int id = static_cast<int>(c.dict.size());
        c.dict.append(text);
        it = c.lookup.insert(text, id);
        // Mostly distinct values (ids, notes): a dictionary only costs memory.
        if (c.dict.size() > kPackAfter &&
            c.dict.size() * 2 > static_cast<qsizetype>(c.ids.size())) {
            c.ids.push_back(id);
            ToPacked(c);
            return;
        }
    }
    c.ids.push_back(it.value());
}

void TColumnStore::ToPacked(Column& c)
{
    c.packed = true;
    c.offsets.reserve(c.ids.size() * 2);
    for (qint32 id : c.ids) {
        c.offsets.push_back(c.buffer.size());
        c.nulls.push_back(id < 0);
        if (id >= 0)
            c.buffer += c.dict[id];
    }
    c.ids = {};
    c.dict = {};
    c.lookup = {};
}

void TColumnStore::AppendNumber(Column& c, const QVariant& v, bool isNull)
{
    c.numNulls.push_back(isNull);
    if (c.kind == Kind::Real) {
        c.reals.push_back(isNull ? 0.0 : v.toDouble());
        return;
    }
    if (isNull) {
        c.raws.push_back(0);
        return;
    }
    if (v.typeId() == QMetaType::QString) {
        c.raws.push_back(Currency::FromText(v.toString())->Raw());
        return;
    }
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        const double d = v.toDouble();
        const double scaled = d * 10000.0;
        // Kept exact only when it has at most four decimals and fits.
        if (std::fabs(scaled) < 9.0e17 && std::fabs(scaled - std::nearbyint(scaled)) < 1e-6) {
            c.raws.push_back(static_cast<qint64>(std::nearbyint(scaled)));
            return;
        }
        NumberToReal(c);
        c.reals.push_back(d);
        return;
    }
    const qint64 i = v.toLongLong();
    if (i > 900000000000000LL || i < -900000000000000LL) {
        NumberToReal(c);
        c.reals.push_back(static_cast<double>(i));
        return;
    }
    c.raws.push_back(i * 10000);
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
    if (c.numNulls[row])
        return QString();
    if (c.kind == Kind::Real)
        return QString::number(c.reals[row], 'g', 15);
    return Currency::FromRaw(c.raws[row]).ToSqlText();
}

void TColumnStore::NumberToText(Column& c)
{
    const int rows = static_cast<int>(c.numNulls.size());
    std::vector<QString> texts;
    std::vector<bool> nulls(c.numNulls);
    texts.reserve(rows);
    for (int r = 0; r < rows; ++r)
        texts.push_back(NumberText(c, r));
    c.kind = Kind::Text;
    c.raws = {};
    c.reals = {};
    c.numNulls = {};
    for (int r = 0; r < rows; ++r)
        AppendText(c, texts[r], nulls[r]);
}

bool TColumnStore::IsNull(int row, int col) const
{
    const Column& c = m_columns[col];
    switch (c.kind) {
    case Kind::Empty:
        return true;
    case Kind::Text:
        return c.packed ? bool(c.nulls[row]) : c.ids[row] < 0;
    default:
        return c.numNulls[row];
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
            const qint64 start = c.offsets[row];
            const qint64 end =
                size_t(row + 1) < c.offsets.size() ? c.offsets[row + 1] : c.buffer.size();
            return c.buffer.mid(start, end - start);
        }
        return c.ids[row] < 0 ? QString() : c.dict[c.ids[row]];
    default:
        return NumberText(c, row);
    }
}

double TColumnStore::Float(int row, int col) const
{
    const Column& c = m_columns[col];
    switch (c.kind) {
    case Kind::Number:
        return c.numNulls[row] ? 0.0 : static_cast<double>(c.raws[row]) / 10000.0;
    case Kind::Real:
        return c.numNulls[row] ? 0.0 : c.reals[row];
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
        return c.numNulls[row] ? Currency() : Currency::FromRaw(c.raws[row]);
    case Kind::Real:
        return c.numNulls[row] ? Currency() : Currency::FromDouble(c.reals[row]);
    case Kind::Text:
        return Currency::FromText(Text(row, col)).value_or(Currency());
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
    case Kind::Number:
        if (c.raws[row] % 10000 == 0)
            return QVariant(static_cast<qlonglong>(c.raws[row] / 10000));
        return QVariant(static_cast<double>(c.raws[row]) / 10000.0);
    case Kind::Real:
        return QVariant(c.reals[row]);
    default:
        return QVariant(Text(row, col));
    }
}

int TColumnStore::TextId(int row, int col) const
{
    const Column& c = m_columns[col];
    if (c.kind != Kind::Text || c.packed)
        return -2;
    return c.ids[row];
}

size_t TColumnStore::MemoryBytes() const
{
    size_t total = 0;
    for (const Column& c : m_columns) {
        total += c.ids.capacity() * sizeof(qint32) + c.offsets.capacity() * sizeof(qint64);
        total += size_t(c.buffer.capacity()) * 2 + c.raws.capacity() * 8 + c.reals.capacity() * 8;
        total += (c.nulls.capacity() + c.numNulls.capacity()) / 8;
        for (const QString& s : c.dict)
            total += 32 + size_t(s.size()) * 2 * 2; // list entry and hash key
    }
    return total;
}
