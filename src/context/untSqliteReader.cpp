// SQLite results read straight from the Qt driver's own sqlite3 handle.
#include "context/untChunker.h"
#include "context/untDbError.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <sqlite3.h>

bool ReadSqliteRows(const QSqlDatabase& db, const QString& sql, TChunker& chunker,
                    TReadInterrupter* interrupter, bool& done)
{
    done = false;
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3* handle = *static_cast<sqlite3* const*>(h.constData());
    if (!handle)
        return false;
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
        throw TExceptDbManager(QString::fromUtf8(sqlite3_errmsg(handle)));
    struct Finalize {
        sqlite3_stmt* s;
        TReadInterrupter* i;
        ~Finalize()
        {
            if (i)
                i->Disarm();
            sqlite3_finalize(s);
        }
    } finalize{stmt, interrupter};
    if (interrupter)
        interrupter->Arm([handle] { sqlite3_interrupt(handle); });
    const int columns = stmt ? sqlite3_column_count(stmt) : 0;
    QStringList names;
    QList<bool> numeric;
    for (int i = 0; i < columns; ++i) {
        names << QString::fromUtf8(sqlite3_column_name(stmt, i));
        const QByteArray decl = QByteArray(sqlite3_column_decltype(stmt, i)).toUpper();
        numeric << (decl.contains("INT") || decl.contains("REAL") || decl.contains("NUM") ||
                    decl.contains("FLOA") || decl.contains("DOUB") || decl.contains("DEC"));
    }
    chunker.SetColumns(names, numeric);
    while (stmt) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE)
            break;
        if (interrupter && interrupter->Interrupted())
            return true; // cancelled: not done
        // Interrupted by someone else (a worker's cancel): a failure, never a short result.
        if (rc != SQLITE_ROW)
            throw TExceptDbManager(QString::fromUtf8(sqlite3_errmsg(handle)));
        TColumnStore& store = chunker.Store();
        for (int i = 0; i < columns; ++i) {
            switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_NULL:
                store.AppendNull(i);
                break;
            case SQLITE_INTEGER:
                store.AppendInt(i, sqlite3_column_int64(stmt, i));
                break;
            case SQLITE_FLOAT:
                store.AppendReal(i, sqlite3_column_double(stmt, i));
                break;
            default: {
                const char* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                store.AppendUtf8(i, data ? data : "", sqlite3_column_bytes(stmt, i));
            }
            }
        }
        if (!chunker.EndRow())
            return true;
    }
    done = chunker.Finish();
    return true;
}
