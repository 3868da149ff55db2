#pragma once
// What the fuzz targets share: the input written to a file and read as the import reads it.

#include <QByteArray>
#include <QString>

// A path of this process for an input file with the given suffix.
QString FuzzPath(const char* suffix);
void WriteFuzzFile(const QString& path, const QByteArray& bytes);
// Reads every row of the file; a refusal (Exception) is a right answer, anything else escapes.
void ReadFuzzFile(const QString& path);
