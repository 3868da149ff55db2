#include "platform/untObjectStringList.h"

#include <QMutexLocker>

int TObjectStringList::AddObject(const QString& name, QObject* object)
{
    QMutexLocker lock(&m_lock);
    m_items.append({name, object});
    return static_cast<int>(m_items.size() - 1);
}

void TObjectStringList::Delete(int index)
{
    QMutexLocker lock(&m_lock);
    if (index >= 0 && index < m_items.size())
        m_items.removeAt(index);
}

QObject* TObjectStringList::Objects(int index) const
{
    QMutexLocker lock(&m_lock);
    return index >= 0 && index < m_items.size() ? m_items.at(index).second : nullptr;
}

QString TObjectStringList::Strings(int index) const
{
    QMutexLocker lock(&m_lock);
    return index >= 0 && index < m_items.size() ? m_items.at(index).first : QString();
}

int TObjectStringList::IndexOf(const QString& name) const
{
    QMutexLocker lock(&m_lock);
    for (int i = 0; i < m_items.size(); ++i)
        if (m_items.at(i).first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TObjectStringList::IndexOfObject(const QObject* object) const
{
    QMutexLocker lock(&m_lock);
    for (int i = 0; i < m_items.size(); ++i)
        if (m_items.at(i).second == object)
            return i;
    return -1;
}

int TObjectStringList::Count() const
{
    QMutexLocker lock(&m_lock);
    return static_cast<int>(m_items.size());
}
