// The query object: a statement's whole result, read into a column store, walked row by row.
#include "context/untAdodbIsomer.h"
#include "context/untRowReader.h"
#include "platform/untException.h"

TIntfPtr<TARQuery> TARQuery::Open(TAdoConn* conn, const QString& sql)
{
    TIntfPtr<TARQuery> ref(new TARQuery);
    ref->m_sql = sql;
    TColumnStore& store = ref->m_store;
    ReadRows(conn, sql, TChunkPolicy{}, [&store](TColumnStore&& all) {
        store = std::move(all);
        return true;
    });
    ref->m_active = true;
    return ref;
}

TARQuery::~TARQuery()
{
    m_destroying = true;
    if (OnDestroy)
        OnDestroy(this);
}

long TARQuery::QueryInterface(const QUuid&, void** obj)
{
    *obj = this;
    AddRef();
    return S_OK_RESULT;
}

int TARQuery::AddRef()
{
    return ++m_refCount;
}

int TARQuery::Release()
{
    const int count = --m_refCount;
    if (count == 0 && !m_destroying)
        delete this;
    return count;
}

void TARQuery::Next()
{
    if (!Eof())
        ++m_row;
}

TField TARQuery::Fields(int index) const
{
    if (index < 0 || index >= FieldCount())
        throw Exception(QStringLiteral("字段序号%1超出范围").arg(index));
    return TField(this, index);
}

TField TARQuery::FieldByName(const QString& name) const
{
    const int index = m_store.ColumnIndex(name);
    if (index < 0)
        throw Exception(QStringLiteral("字段%1不存在").arg(name));
    return TField(this, index);
}

void TARQuery::Close()
{
    m_active = false;
    m_row = 0;
}

TColumnStore TARQuery::TakeStore()
{
    TColumnStore taken = std::move(m_store);
    m_store = TColumnStore();
    Close();
    return taken;
}

QString TField::FieldName() const
{
    return m_query->m_store.ColumnName(m_column);
}

bool TField::IsNull() const
{
    return m_query->Eof() || m_query->m_store.IsNull(m_query->m_row, m_column);
}

QString TField::AsString() const
{
    return m_query->Eof() ? QString() : m_query->m_store.Text(m_query->m_row, m_column);
}

double TField::AsFloat() const
{
    return m_query->Eof() ? 0.0 : m_query->m_store.Float(m_query->m_row, m_column);
}

Currency TField::AsCurrency() const
{
    return m_query->Eof() ? Currency() : m_query->m_store.Money(m_query->m_row, m_column);
}

QVariant TField::Value() const
{
    return m_query->Eof() ? QVariant() : m_query->m_store.Value(m_query->m_row, m_column);
}
