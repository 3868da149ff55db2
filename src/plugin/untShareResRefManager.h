#pragma once
// The registry of live windows and the reference count the host is told about.

#include "platform/untException.h"
#include "platform/untInterface.h"
#include "platform/untObjectStringList.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <atomic>

class IResRefManager : public IInterface
{
public:
    static QUuid Iid() { return QUuid("{6B1D3F5A-2C47-4E0B-9A51-7D3C8E2F1A60}"); }
    virtual void RegisterObj(QObject* component) = 0;
    virtual void UnregisterObj(const QString& name) = 0;
    virtual QObject* GetObj(const QString& name, bool show) = 0;
    virtual QObject* FindObj(const QString& name) = 0;

protected:
    ~IResRefManager() = default;
};

class TExceptResRefManager : public Exception
{
public:
    using Exception::Exception;
};

// One registered component's reference to the manager.
struct TObjRefInfo {
    TIntfPtr<IResRefManager> Manager;
    QMetaObject::Connection FreeNotification;
};

// Keeps the library's live windows by class name and counts them; tells its owner through
// OnAllReleased when the last one is gone.
class TResRefManager : public QObject, public IResRefManager
{
    Q_OBJECT
public:
    using AllReleasedProc = void (*)(TResRefManager* manager);
    using BeforeCreateProc = void (*)(TResRefManager* manager, const QString& name, bool& allow);
    using ObjectProc = void (*)(TResRefManager* manager, QObject* object);

    explicit TResRefManager(QObject* owner = nullptr);
    ~TResRefManager() override;

    long QueryInterface(const QUuid& iid, void** obj) override;
    int AddRef() override;
    int Release() override;

    void RegisterObj(QObject* component) override;
    void UnregisterObj(const QString& name) override;
    QObject* GetObj(const QString& name, bool show) override;
    QObject* FindObj(const QString& name) override;

    int RefCount() const { return m_refCount.load(); }
    int Count() const { return m_objNames.Count(); }

    AllReleasedProc OnAllReleased = nullptr;
    BeforeCreateProc OnBeforeCreate = nullptr;
    ObjectProc OnAfterCreate = nullptr;
    ObjectProc OnFoundExisting = nullptr;

private:
    void UnregisterAt(int index);
    void Notification(QObject* component);

    std::atomic<int> m_refCount{0};
    QList<TObjRefInfo*> m_refInfos;
    TObjectStringList m_objNames;
};
