#include "plugin/untClassRegist.h"

#include "platform/untException.h"

#include <QList>
#include <QMap>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>

namespace
{

struct TRegGroup {
    QList<const QMetaObject*> Classes;
    QMap<QString, const QMetaObject*> Aliases; // empty in this system
    QList<const QMetaObject*> GroupClasses;
    bool Active = true;

    // The most derived group class the class descends from, or null.
    const QMetaObject* BestGroupClass(const QMetaObject* cls) const
    {
        const QMetaObject* best = nullptr;
        for (const QMetaObject* g : GroupClasses)
            if (cls->inherits(g) && (!best || g->inherits(best)))
                best = g;
        return best;
    }

    const QMetaObject* FindByName(const QString& name) const
    {
        for (const QMetaObject* c : Classes)
            if (name.compare(QLatin1String(c->className()), Qt::CaseInsensitive) == 0)
                return c;
        for (auto it = Aliases.begin(); it != Aliases.end(); ++it)
            if (name.compare(it.key(), Qt::CaseInsensitive) == 0)
                return it.value();
        return nullptr;
    }
};

struct TRegGroups {
    QList<TRegGroup> Groups;
    QMutex Lock;

    TRegGroups() { Groups.append(TRegGroup{{}, {}, {&QObject::staticMetaObject}, true}); }

    bool IsRegistered(const QMetaObject* cls) const
    {
        for (const TRegGroup& g : Groups)
            if (g.Classes.contains(cls))
                return true;
        return false;
    }

    TRegGroup* BestGroup(const QMetaObject* cls)
    {
        TRegGroup* best = nullptr;
        const QMetaObject* bestClass = nullptr;
        for (TRegGroup& g : Groups) {
            const QMetaObject* c = g.BestGroupClass(cls);
            if (c && (!bestClass || (c != bestClass && c->inherits(bestClass)))) {
                best = &g;
                bestClass = c;
            }
        }
        return best;
    }
};

TRegGroups& Registry()
{
    static TRegGroups registry;
    return registry;
}

} // namespace

void RegisterPlugInClass(const QMetaObject* cls)
{
    TRegGroups& reg = Registry();
    QMutexLocker lock(&reg.Lock);
    while (cls && !reg.IsRegistered(cls)) {
        if (TRegGroup* group = reg.BestGroup(cls)) {
            const QString name = QLatin1String(cls->className());
            for (const QMetaObject* c : group->Classes)
                if (name.compare(QLatin1String(c->className()), Qt::CaseInsensitive) == 0)
                    throw EFilerError(QStringLiteral("已经注册了一个名为%1的类").arg(name));
            group->Classes.append(cls);
        }
        if (cls == &QObject::staticMetaObject)
            break;
        cls = cls->superClass();
    }
}

const QMetaObject* FindPlugInClass(const QString& name)
{
    TRegGroups& reg = Registry();
    QMutexLocker lock(&reg.Lock);
    for (const TRegGroup& g : reg.Groups) {
        if (!g.Active)
            continue;
        if (const QMetaObject* c = g.FindByName(name))
            return c;
    }
    return nullptr;
}
