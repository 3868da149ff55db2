#pragma once
// Reading a statement's rows into column stores, a chunk at a time, and cancelling a read.

#include "context/untRowChunks.h"

#include <QString>

class TAdoConn;

// Reads the statement on the connection (of the calling thread): natively from the SQLite or
// PostgreSQL driver's own handle, otherwise through QtSql. Texts are kept once per distinct
// value, amounts as exact ten-thousandths. False when interrupted or stopped by the sink;
// raises TExceptDbManager with the database's message when the statement fails. The statement
// is traced as opened on the connection.
bool ReadRows(TAdoConn* conn, const QString& sql, const TChunkPolicy& policy,
              const TChunkSink& sink, TReadInterrupter* interrupter = nullptr);
