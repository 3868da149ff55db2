// vesperwald-db <create|demo|check|upgrade> --connection "<ADO-style string>" [--indicators N]
#include "db/DbDemo.h"
#include "db/DbSchema.h"
#include "context/untAdodbIsomer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace
{
void Print(const QString& text)
{
    std::fputs(qPrintable(text + '\n'), stdout);
    std::fflush(stdout);
}
void PrintError(const QString& text)
{
    std::fputs(qPrintable(text + '\n'), stderr);
}

// The new-id index, or why the database goes on without it.
bool IdIndex(TAdoConn* conn)
{
    QString problem;
    if (InstallIdIndex(conn, &problem))
        return true;
    PrintError(QStringLiteral("Index ix_busibudget_nextid not made (an indicator id that is no "
                              "number?); new ids are drawn without it, more slowly: %1")
                   .arg(problem));
    return false;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vesperwald-db"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Creates, fills and checks the budget indicator database."));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("create (empty schema), demo (schema and demo data), "
                       "check (report missing tables and columns, then duplicate indicators) or "
                       "upgrade (bring an "
                       "existing database's views and history of changes up to date)"));
    parser.addOption({QStringLiteral("connection"),
                      QStringLiteral("ADO-style connection string, e.g. "
                                     "\"Provider=SQLite;Data Source=demo.db\""),
                      QStringLiteral("string")});
    parser.addOption({QStringLiteral("indicators"),
                      QStringLiteral("number of demo indicators (default 20000)"),
                      QStringLiteral("N"), QStringLiteral("20000")});
    parser.addOption(
        {QStringLiteral("years"),
         QStringLiteral("how many of the demo years (2024-2026) get indicators, counted "
                        "back from the last (default 3)"),
         QStringLiteral("N"), QStringLiteral("3")});
    parser.addOption({QStringLiteral("items"),
                      QStringLiteral("more budget items in the last year, for large catalogues "
                                     "(default 0)"),
                      QStringLiteral("N"), QStringLiteral("0")});
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);
    if (args.size() != 1 || !QStringList{"create", "demo", "check", "upgrade"}.contains(command) ||
        !parser.isSet(QStringLiteral("connection"))) {
        PrintError(QStringLiteral(
            "usage: vesperwald-db <create|demo|check|upgrade> --connection \"<string>\" "
            "[--indicators N] [--years N] [--items N]"));
        return 2;
    }
    bool ok = false;
    const int indicators = parser.value(QStringLiteral("indicators")).toInt(&ok);
    const int years = parser.value(QStringLiteral("years")).toInt();
    bool itemsOk = false;
    const int items = parser.value(QStringLiteral("items")).toInt(&itemsOk);
    if (!ok || indicators < 0 || years < 1 || years > 3 || !itemsOk || items < 0) {
        PrintError(QStringLiteral("--indicators and --items need a whole number of 0 or more, "
                                  "--years 1 to 3"));
        return 2;
    }

    TAdoConn conn;
    conn.SetConnectionString(parser.value(QStringLiteral("connection")));
    conn.SetCreateIfMissing(command == QLatin1String("create") || command == QLatin1String("demo"));
    QElapsedTimer timer;
    timer.start();
    try {
        if (command == QLatin1String("check")) {
            const QStringList problems = CheckSchema(&conn);
            for (const QString& p : problems)
                PrintError(p);
            if (!problems.isEmpty()) {
                PrintError(QStringLiteral("The database lacks %1 of the objects the system needs.")
                               .arg(problems.size()));
                return 1;
            }
            Print(QStringLiteral("The schema is complete."));
            // Stored data may hold what the duplicate rule refuses: listed, never removed.
            const QStringList duplicates = StoredDuplicates(&conn);
            if (duplicates.isEmpty())
                return 0;
            PrintError(QStringLiteral("Indicators the duplicate rule takes for one another "
                                      "(nothing was changed):"));
            for (const QString& d : duplicates)
                PrintError(QStringLiteral("  ") + d);
            return 1;
        }
        if (command == QLatin1String("upgrade")) {
            QStringList made = UpgradeSchema(&conn);
            if (IdIndex(&conn))
                made << QStringLiteral("ix_busibudget_nextid");
            Print(QStringLiteral("Brought up to date: %1 (with the history triggers).")
                      .arg(made.join(QStringLiteral(", "))));
            return 0;
        }
        CreateSchema(&conn);
        Print(QStringLiteral("Schema created."));
        if (command == QLatin1String("demo")) {
            const auto progress = [&](const QString& m) {
                Print(
                    QStringLiteral("  %1 (%2 s)").arg(m).arg(timer.elapsed() / 1000.0, 0, 'f', 1));
            };
            FillDemo(&conn, indicators, progress, years, items);
            Print(QStringLiteral("Demo data written: %1 indicators in %2 s.")
                      .arg(indicators)
                      .arg(timer.elapsed() / 1000.0, 0, 'f', 1));
        }
        IdIndex(&conn); // after the demo data: built once, not kept up row by row
        // After the demo data: the history starts with the database's first change.
        InstallHistory(&conn);
        Print(QStringLiteral("History of changes set up."));
    } catch (const Exception& e) {
        PrintError(QStringLiteral("vesperwald-db %1 failed: %2").arg(command, e.Message()));
        return 1;
    }
    return 0;
}
