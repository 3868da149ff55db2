#include "context/untRowReader.h"

#include "context/untAdodbIsomer.h"
#include "context/untChunker.h"
#include "context/untSqlTrace.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace
{
bool IsNumericType(int typeId)
{
    switch (typeId) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

QString ErrorText(const QSqlError& e)
{
    const QString text = e.text().trimmed();
    return text.isEmpty() ? QStringLiteral("数据库错误") : text;
}

// Any other driver: QtSql's forward-only query, a QVariant per value.
bool ReadQtSqlRows(const QSqlDatabase& db, const QString& sql, TChunker& chunker,
                   TReadInterrupter* interrupter)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!q.exec(sql))
        throw TExceptDbManager(ErrorText(q.lastError()));
    const QSqlRecord rec = q.record();
    QStringList names;
    QList<bool> numeric;
    for (int i = 0; i < rec.count(); ++i) {
        names << rec.fieldName(i);
        numeric << IsNumericType(rec.field(i).metaType().id());
    }
    chunker.SetColumns(names, numeric);
    while (q.next()) {
        if (interrupter && interrupter->Interrupted())
            return false;
        for (int i = 0; i < rec.count(); ++i)
            chunker.Store().Append(i, q.value(i));
        if (!chunker.EndRow())
            return false;
    }
    if (q.lastError().isValid())
        throw TExceptDbManager(ErrorText(q.lastError()));
    return chunker.Finish();
}
} // namespace

bool ReadRows(TAdoConn* conn, const QString& sql, const TChunkPolicy& policy,
              const TChunkSink& sink, TReadInterrupter* interrupter)
{
    for (int attempt = 0;; ++attempt) {
        bool done = false;
        bool delivered = false;
        const TChunkSink counted = [&sink, &delivered](TColumnStore&& part) {
            delivered = true;
            return sink(std::move(part));
        };
        try {
            const QSqlDatabase db = conn->Database();
            TChunker chunker(policy, counted);
            if (!ReadSqliteRows(db, sql, chunker, interrupter, done) &&
                !ReadPgRows(db, sql, chunker, interrupter, done))
                done = ReadQtSqlRows(db, sql, chunker, interrupter);
        } catch (const TExceptDbManager& e) {
            if (interrupter && interrupter->Interrupted())
                return false; // a cancelled statement is no failure
            conn->SetLastError(e.Message());
            TraceSql({conn->DisplayName(), QStringLiteral("open"), false, e.Message(), sql});
            // A connection the server dropped while it was idle (a restart, say) shows only when
            // a statement fails on it: a read is made once more, on the connection opened anew.
            if (attempt == 0 && !delivered && conn->Lost())
                continue;
            throw;
        }
        TraceSql({conn->DisplayName(), QStringLiteral("open"), true, QString(), sql,
                  interrupter && interrupter->Interrupted()});
        return done;
    }
}
