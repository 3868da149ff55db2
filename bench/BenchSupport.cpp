#include "BenchSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <sys/resource.h>

QString BenchDatabase(const QString& folder, int indicators)
{
    QDir().mkpath(folder);
    const QString path = QStringLiteral("%1/bench-%2.db").arg(folder).arg(indicators);
    if (QFile::exists(path))
        return path;
    std::printf("creating %s ...\n", qPrintable(path));
    std::fflush(stdout);
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(VESPERWALD_DB_TOOL,
               {"demo", "--connection", "Provider=SQLite;Data Source=" + path + ".tmp",
                "--indicators", QString::number(indicators), "--years", "1"});
    tool.waitForFinished(-1);
    if (tool.exitCode() != 0) {
        std::fprintf(stderr, "vesperwald-db failed\n");
        std::exit(1);
    }
    QFile::remove(path + ".tmp-wal");
    QFile::remove(path + ".tmp-shm");
    QFile::rename(path + ".tmp", path);
    return path;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double MedianMs(int runs, const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    return Median(times);
}

long RawSqliteRead(const QString& file, const QString& sql)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(file));
        std::exit(1);
    }
    sqlite3_exec(db, "PRAGMA cache_size=-131072; PRAGMA mmap_size=268435456;", nullptr, nullptr,
                 nullptr);
    sqlite3_stmt* stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot prepare: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    long rows = 0;
    const int columns = sqlite3_column_count(stmt);
    volatile size_t bytes = 0; // keeps the reads from being optimised away
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < columns; ++c) {
            sqlite3_column_text(stmt, c);
            bytes = bytes + size_t(sqlite3_column_bytes(stmt, c));
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

double PeakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

double CurrentRssMb()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = status.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * 4096 / (1024.0 * 1024.0) : 0;
}

BenchArgs ParseBenchArgs(const QStringList& args, QList<int> defaultSizes)
{
    BenchArgs parsed;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs"))
            parsed.Runs = std::max(1, args.value(++i).toInt());
        else if (args[i] == QLatin1String("--folder"))
            parsed.Folder = args.value(++i);
        else
            parsed.Sizes << args[i].toInt();
    }
    if (parsed.Sizes.isEmpty())
        parsed.Sizes = defaultSizes;
    return parsed;
}
