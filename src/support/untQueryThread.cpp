#include "support/untQueryThread.h"

TQueryThread::TQueryThread(bool suspended, const TAdoConn* connection, const QString& sql)
    : m_connection(connection->Clone()), m_sql(sql)
{
    m_connection->moveToThread(this);
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    // Delivered on the user-interface thread, where this object lives.
    connect(this, &QThread::finished, this, [this] {
        if (OnTerminate)
            OnTerminate(this);
    });
    if (!suspended)
        start();
}

TQueryThread::~TQueryThread()
{
    wait();
}

void TQueryThread::run()
{
    if (m_terminated)
        return;
    TIntfPtr<TARQuery> query;
    QString error;
    try {
        query = TARQuery::Open(m_connection.get(), m_sql);
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    m_connection.reset(); // closes this thread's database connection here
    if (m_terminated)
        return;
    // Handed over without waiting: this object lives on the user-interface thread, so the call
    // runs there (before its deletion, which is posted when the thread has finished) and is
    // dropped if the object goes first.
    if (!query) {
        QMetaObject::invokeMethod(
            this, [this, error] { DoError(error); }, Qt::QueuedConnection);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, query] { DoDataReady(query.Get()); }, Qt::QueuedConnection);
}

void TQueryThread::DoDataReady(TARQuery* dataSet)
{
    if (!m_terminated && OnDataReady)
        OnDataReady(this, dataSet);
}

void TQueryThread::DoError(const QString& error)
{
    if (!m_terminated && OnError)
        OnError(this, error);
}
