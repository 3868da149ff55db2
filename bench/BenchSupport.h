#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// Creates (once) a demo database of `indicators` indicators in one data year; returns its path.
QString BenchDatabase(const QString& folder, int indicators);
// Median of repeated runs, in milliseconds.
double MedianMs(int runs, const std::function<void()>& run);
double Median(std::vector<double> values);
// The raw reference: SQLite's C interface stepping the statement and reading every column as
// text, with the same cache settings as the product's connections. Returns the row count.
long RawSqliteRead(const QString& file, const QString& sql);
struct BenchArgs {
    int Runs = 3;
    QString Folder = QStringLiteral("var/bench");
    QList<int> Sizes;
};
// [--runs N] [--folder DIR] [sizes ...]
BenchArgs ParseBenchArgs(const QStringList& args, QList<int> defaultSizes);

// Peak resident memory of the process so far, in MB.
double PeakRssMb();
double CurrentRssMb();
