#pragma once
// What the process may open: an open database's own files are SQLite's alone, and imports and
// exports take regular files only.

#include <QString>

// The files of an open SQLite database (the file and its -wal, -shm and -journal) belong to
// SQLite: closing any other descriptor of them would drop SQLite's locks. Counted per file: one
// Release for each Protect.
void ProtectDatabaseFiles(const QString& databaseFile);
void ReleaseDatabaseFiles(const QString& databaseFile);
// True when the path names one of them (by its real folder and name, or the very same file).
bool IsOpenDatabaseFile(const QString& path);

// Why the file cannot be read (empty when it can), checked without opening it: missing, an open
// database's, not a regular file (a folder, pipe or device) or a system file (/proc, /sys).
QString CannotReadFile(const QString& path);
// Why nothing may be written at the path (empty when it may): an open database's file, an
// existing file that is not a regular one, a folder that is missing or a system one.
QString CannotWriteFile(const QString& path);
// The cause of a failed file operation (an errno value) in the operator's words.
QString FileErrorText(int error);
