#pragma once
// Reference-counted interfaces and a holder that adds and releases references.

#include <QUuid>
#include <utility>

// A reference-counted interface: query interface, add reference, release.
class IInterface
{
public:
    virtual long QueryInterface(const QUuid& iid, void** obj) = 0;
    virtual int AddRef() = 0;
    virtual int Release() = 0;

protected:
    ~IInterface() = default;
};

constexpr long S_OK_RESULT = 0;
constexpr long E_NOINTERFACE_RESULT = static_cast<long>(0x80004002L);

// Holds one reference to an interface: AddRef on copy, Release on reset or destruction.
template <class T> class TIntfPtr
{
public:
    TIntfPtr() = default;
    TIntfPtr(T* p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    TIntfPtr(const TIntfPtr& o) : TIntfPtr(o.m_p) {}
    TIntfPtr(TIntfPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ~TIntfPtr() { Reset(); }
    TIntfPtr& operator=(TIntfPtr o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    void Reset()
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};
