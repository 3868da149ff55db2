#pragma once
// A name-to-object list guarded by its own lock.

#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>

class QObject;

// Name-to-object list: unsorted, duplicates allowed, names compared without regard to case,
// objects not owned. Every operation holds the list's lock.
class TObjectStringList
{
public:
    int AddObject(const QString& name, QObject* object);
    void Delete(int index);
    QObject* Objects(int index) const;
    QString Strings(int index) const;
    int IndexOf(const QString& name) const;
    int IndexOfObject(const QObject* object) const;
    int Count() const;

private:
    mutable QMutex m_lock;
    QList<QPair<QString, QObject*>> m_items;
};
