#include "plugin/untShareResRefManager.h"

#include "platform/untApplication.h"
#include "plugin/untClassRegist.h"
#include "platform/untComponent.h"
#include "plugin/untObjectFactory.h"

TResRefManager::TResRefManager(QObject* owner) : QObject(owner) {}

TResRefManager::~TResRefManager()
{
    // Registered windows belong to the application object; their records are dropped
    // without releasing, so no callback runs during unload.
    for (TObjRefInfo* info : m_refInfos) {
        QObject::disconnect(info->FreeNotification);
        delete info;
    }
}

long TResRefManager::QueryInterface(const QUuid& iid, void** obj)
{
    if (iid == IResRefManager::Iid()) {
        *obj = static_cast<IResRefManager*>(this);
        AddRef();
        return S_OK_RESULT;
    }
    *obj = nullptr;
    return E_NOINTERFACE_RESULT;
}

int TResRefManager::AddRef()
{
    return ++m_refCount;
}

int TResRefManager::Release()
{
    const int count = --m_refCount;
    if (count == 0 && OnAllReleased)
        OnAllReleased(this);
    return count;
}

void TResRefManager::RegisterObj(QObject* component)
{
    m_objNames.AddObject(QLatin1String(component->metaObject()->className()), component);
    auto* info = new TObjRefInfo{TIntfPtr<IResRefManager>(this), {}};
    m_refInfos.append(info);
    // The subclass is gone when destroyed() fires: only the pointer is used there.
    info->FreeNotification = connect(component, &QObject::destroyed, this,
                                     [this, component] { Notification(component); });
}

void TResRefManager::UnregisterObj(const QString& name)
{
    const int index = m_objNames.IndexOf(name);
    if (index >= 0)
        UnregisterAt(index);
}

void TResRefManager::UnregisterAt(int index)
{
    TObjRefInfo* info = m_refInfos.at(index);
    QObject::disconnect(info->FreeNotification);
    info->Manager.Reset(); // may run OnAllReleased before the name entry goes
    delete info;
    m_refInfos.removeAt(index);
    m_objNames.Delete(index);
}

// A destroyed component drops its own entry (by pointer, so that another live window of the
// same class keeps its registration).
void TResRefManager::Notification(QObject* component)
{
    const int index = m_objNames.IndexOfObject(component);
    if (index >= 0)
        UnregisterAt(index);
}

QObject* TResRefManager::FindObj(const QString& name)
{
    const int index = m_objNames.IndexOf(name);
    return index >= 0 ? m_objNames.Objects(index) : nullptr;
}

QObject* TResRefManager::GetObj(const QString& name, bool show)
{
    QObject* result = nullptr;
    try {
        QObject* found = FindObj(name);
        if (found && IsComponentDestroying(found))
            found = nullptr;
        if (found) {
            if (show && OnFoundExisting)
                OnFoundExisting(this, found);
            return found;
        }
        const QMetaObject* cls = FindPlugInClass(name);
        if (!cls)
            throw TExceptResRefManager(QStringLiteral("类%1没有进行注册或不存在！").arg(name));
        bool allow = true;
        if (show && OnBeforeCreate)
            OnBeforeCreate(this, name, allow);
        if (!allow)
            return nullptr;
        QObject* created = TObjectFactory::CreateObj(Application, cls);
        result = created;
        RegisterObj(created);
        if (show && OnAfterCreate)
            OnAfterCreate(this, created);
    } catch (const std::exception& e) {
        Application->HandleException(this, e);
    }
    return result;
}
