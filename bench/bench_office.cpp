// An office on one database: operators, each on a connection of its own and through the
// product's own code, list their department, add, modify and delete indicators, copy amounts,
// and now and then import 5,000 rows or carry their department to the next year. Reported: per
// action latency percentiles, throughput and errors by cause; at the end the invariants are
// checked (ids unique, no duplicate keys, the count, no lost update).
//
// bench_office [--pg SERVER] [--folder DIR] [--size INDICATORS] [--operators N]
//              [--processes P] [--seconds S] [--think MS] [--import-every S] [--carry-every S]
// Operators run as threads spread over P processes (SQLite: several processes on one file).
#include "BenchSupport.h"
#include "budget/gunBudgetBulk.h"
#include "budget/gunBudgetImport.h"
#include "budget/gunBudgetSave.h"
#include "budget/gunCarryForward.h"
#include "context/untAdodbIsomer.h"
#include "context/untRowReader.h"
#include "platform/untException.h"
#include "listwindow/bwnQuindleList.h"
#include "sheets/untSheetWriter.h"
#include "store/untColumnStore.h"
#include "support/untImportFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QProcess>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <random>

namespace
{
constexpr int kYear = 2026;
constexpr int kImportRows = 5000;

struct Options {
    QString PgServer;
    QString Folder = QStringLiteral("var/bench");
    int Size = 1000000;
    int Operators = 10;
    int Processes = 0; // 0: min(operators, 4)
    int Seconds = 60;
    int ThinkMs = 2000;
    int ImportEvery = 60; // seconds between imports in the office (0: none)
    int CarryEvery = 120; // seconds between carries (0: none)
    // A child process: its operators [From, To) on Connection.
    int From = -1, To = -1;
    QString Connection;
    qint64 StartMs = 0; // the office's common start (ms since the epoch)
};

Options Parse(const QStringList& args)
{
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString v = args.value(i + 1);
        if (a == QLatin1String("--pg"))
            o.PgServer = v;
        else if (a == QLatin1String("--folder"))
            o.Folder = v;
        else if (a == QLatin1String("--size"))
            o.Size = v.toInt();
        else if (a == QLatin1String("--operators"))
            o.Operators = std::max(1, v.toInt());
        else if (a == QLatin1String("--processes"))
            o.Processes = v.toInt();
        else if (a == QLatin1String("--seconds"))
            o.Seconds = v.toInt();
        else if (a == QLatin1String("--think"))
            o.ThinkMs = v.toInt();
        else if (a == QLatin1String("--import-every"))
            o.ImportEvery = v.toInt();
        else if (a == QLatin1String("--carry-every"))
            o.CarryEvery = v.toInt();
        else if (a == QLatin1String("--child-from"))
            o.From = v.toInt();
        else if (a == QLatin1String("--child-to"))
            o.To = v.toInt();
        else if (a == QLatin1String("--connection"))
            o.Connection = v;
        else if (a == QLatin1String("--start"))
            o.StartMs = v.toLongLong();
        else {
            std::fprintf(stderr, "unknown argument %s\n", qPrintable(a));
            std::exit(2);
        }
        ++i;
    }
    return o;
}

// ---- one operator ----

// What a child process reports, one line each: "S action ms", "E action cause",
// "C counter n", "M id inputmoney" (the amount an operator last saved on its own indicator).
class TReport
{
public:
    void Sample(const char* action, double ms)
    {
        Line(QStringLiteral("S %1 %2").arg(action).arg(ms, 0, 'f', 2));
    }
    void Error(const char* action, QString cause)
    {
        cause.replace(QLatin1Char('\n'), QLatin1Char(' '));
        Line(QStringLiteral("E %1 %2").arg(action, cause.left(90)));
    }
    void Count(const char* counter, int n) { Line(QStringLiteral("C %1 %2").arg(counter).arg(n)); }
    void Amount(const QString& id, const Currency& amount)
    {
        Line(QStringLiteral("M %1 %2").arg(id, amount.ToSqlText()));
    }

private:
    void Line(const QString& line)
    {
        const QByteArray bytes = line.toUtf8() + '\n';
        const std::lock_guard<std::mutex> lock(m_lock);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    }
    std::mutex m_lock;
};

class TOperator
{
public:
    TOperator(int number, const QString& department, const Options& options, TReport& report)
        : m_number(number), m_department(department), m_options(options), m_report(report),
          m_random(std::mt19937::result_type(number * 7919 + 17))
    {
    }

    // `def` is the process's connection; the operator works on a clone made on its thread.
    void Run(const TAdoConn* def, qint64 untilMs)
    {
        std::unique_ptr<TAdoConn> conn(def->Clone());
        conn->SetSessionOperator(QStringLiteral("op%1").arg(m_number));
        const TDefConnectionScope scope(conn.get());
        m_conn = conn.get();
        const int operators = m_options.Operators;
        // The office's imports and carries are shared out: each operator takes its turn.
        const double importChance =
            m_options.ImportEvery > 0
                ? m_options.ThinkMs / (1000.0 * m_options.ImportEvery * operators)
                : 0;
        const double carryChance =
            m_options.CarryEvery > 0
                ? m_options.ThinkMs / (1000.0 * m_options.CarryEvery * operators)
                : 0;
        std::exponential_distribution<double> think(1.0 / std::max(1, m_options.ThinkMs));
        std::uniform_real_distribution<double> pick(0, 1);
        while (QDateTime::currentMSecsSinceEpoch() < untilMs) {
            QThread::msleep(std::min<unsigned long>(60000, (unsigned long)think(m_random)));
            if (QDateTime::currentMSecsSinceEpoch() >= untilMs)
                break;
            const double p = pick(m_random);
            if (p < importChance)
                Timed("import", [this] { Import(); });
            else if (p < importChance + carryChance)
                Timed("carry", [this] { Carry(); });
            else if (p < 0.35 || m_listed.empty())
                Timed("list", [this] { List(); });
            else if (p < 0.60 || m_own.empty())
                Timed("add", [this] { Add(); });
            else if (p < 0.85)
                Timed("modify", [this] { Modify(); });
            else if (p < 0.92)
                Timed("delete", [this] { Delete(); });
            else
                Timed("copy", [this] { Copy(); });
        }
        for (const auto& [id, amount] : m_own)
            m_report.Amount(id, amount);
        m_report.Count("adds", m_adds);
        m_report.Count("deletes", m_deletes);
        m_report.Count("imported", m_imported);
        m_report.Count("carried", m_carried);
    }

private:
    template <class F> void Timed(const char* action, F&& f)
    {
        QElapsedTimer t;
        t.start();
        try {
            f();
            m_report.Sample(action, t.nsecsElapsed() / 1e6);
        } catch (const Exception& e) {
            m_report.Error(action, e.Message());
        } catch (const std::exception& e) {
            m_report.Error(action, QString::fromUtf8(e.what()));
        }
    }

    void List()
    {
        ListFilter f;
        f.DataYear = kYear;
        f.BTypeIndex = QStringLiteral("1");
        f.BureauMode = QStringLiteral("1");
        f.UnitCode = m_department;
        m_listed.clear();
        ReadRows(m_conn, ListStatement(f, DefDialect()), {}, [this](TColumnStore&& chunk) {
            const int id = chunk.ColumnIndex(QStringLiteral("budgid"));
            const int input = chunk.ColumnIndex(QStringLiteral("inputmoney"));
            for (int r = 0; r < chunk.RowCount(); ++r)
                m_listed.push_back({chunk.Text(r, id), chunk.Money(r, input)});
            return true;
        });
    }

    TBudget NewIndicator()
    {
        TBudget b;
        b.DataYear = kYear;
        b.Eid = m_department + QStringLiteral("001");
        b.Bkid = QStringLiteral("21");
        b.Mid = QStringLiteral("11");
        b.IPid = QStringLiteral("11");
        b.Bid = QStringLiteral("2050202");
        b.FileName = QStringLiteral("办公%1-%2").arg(m_number).arg(++m_sequence);
        b.BudgMoney = b.DueMoney = b.InputMoney = NextAmount();
        b.UserId = QStringLiteral("op%1").arg(m_number);
        return b;
    }

    // An amount no other save makes: a lost update shows as another operator's or an older one.
    Currency NextAmount()
    {
        return *Currency::FromText(QStringLiteral("%1.%2")
                                       .arg(m_number * 100000 + ++m_saves)
                                       .arg(m_number % 100, 2, 10, QLatin1Char('0')));
    }

    void Add()
    {
        TBudgetManage store;
        TBudget b = NewIndicator();
        if (SaveBudgetChecked(store, b, true, QStringLiteral("预算数")) != TSaveOutcome::Saved)
            throw std::runtime_error("refused as a duplicate");
        m_own[b.BudgId] = b.InputMoney;
        ++m_adds;
    }

    QString OwnId()
    {
        auto it = m_own.begin();
        std::advance(it, std::uniform_int_distribution<size_t>(0, m_own.size() - 1)(m_random));
        return it->first;
    }

    void Modify()
    {
        TBudgetManage store;
        TBudget b;
        b.DataYear = kYear;
        b.BudgId = OwnId();
        if (!store.LoadBudget(b))
            throw std::runtime_error("own indicator gone");
        b.InputMoney = b.BudgMoney = NextAmount();
        if (SaveBudgetChecked(store, b, false, QStringLiteral("预算数")) != TSaveOutcome::Saved)
            throw std::runtime_error("modify refused as a duplicate");
        m_own[b.BudgId] = b.InputMoney;
    }

    void Delete()
    {
        const QString id = OwnId();
        const TBulkOutcome out =
            DeleteBudgets(kYear, {{id}}, [](const QString&, bool) { return false; });
        if (out.Written != 1)
            throw std::runtime_error("delete refused");
        m_own.erase(id);
        ++m_deletes;
    }

    // The marked rows' entered amounts into their control amounts (up to 50 of the list).
    void Copy()
    {
        std::vector<TBulkRow> rows;
        for (size_t i = 0; i < m_listed.size() && rows.size() < 50; i += 1 + m_listed.size() / 50)
            rows.push_back({m_listed[i].first});
        CopyControlAmounts(kYear, rows, true, [](const QString&, bool) { return true; });
    }

    void Import()
    {
        const QString file = QStringLiteral("%1/office-import-%2-%3.csv")
                                 .arg(QDir::tempPath())
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(m_number);
        TExportTable table = BenchImportTable(kImportRows);
        const int batch = ++m_importBatch;
        const auto text = table.Text;
        table.Text = [text, batch, this](int r, int c) {
            return c == 6 ? QStringLiteral("办公导入%1-%2-%3").arg(m_number).arg(batch).arg(r)
                          : text(r, c);
        };
        ExportTable(table, file, QStringLiteral("导入"));
        TImportRows rows;
        ReadImportFile(file, QString(), rows);
        QFile::remove(file);
        const TImportMapping mapping = MatchImportColumns(rows.Headers);
        TImportChecker checker(kYear, QStringLiteral("1"));
        const std::vector<QString> reasons = CheckImportRows(rows, mapping, checker);
        m_imported += ImportBudgets(rows, mapping, checker, reasons, QStringLiteral("预算数"),
                                    QStringLiteral("office.csv"));
    }

    void Carry()
    {
        ListFilter f;
        f.DataYear = kYear;
        f.BTypeIndex = QStringLiteral("1");
        f.BureauMode = QStringLiteral("1");
        f.UnitCode = m_department;
        const QString ids =
            QStringLiteral("select budgid from (%1) carried").arg(ListStatement(f, DefDialect()));
        m_carried += CarryForward(PlanCarryForward(kYear, kYear + 1, ids));
    }

    int m_number;
    QString m_department;
    const Options& m_options;
    TReport& m_report;
    std::mt19937 m_random;
    TAdoConn* m_conn = nullptr;
    std::vector<std::pair<QString, Currency>> m_listed;
    std::map<QString, Currency> m_own;
    int m_sequence = 0, m_saves = 0, m_importBatch = 0;
    int m_adds = 0, m_deletes = 0, m_imported = 0, m_carried = 0;
};

QStringList Codes(const QString& sql)
{
    TQueryRef q;
    if (!OpenSql(sql, q)) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(sql), qPrintable(LastDbError()));
        std::exit(1);
    }
    QStringList codes;
    for (TARQuery* ds = q->Dataset(); !ds->Eof(); ds->Next())
        codes << ds->Fields(0).AsString();
    return codes;
}

QString Scalar(const QString& sql)
{
    const QStringList values = Codes(sql);
    return values.value(0);
}

int RunChild(const Options& o)
{
    BenchListContext context(o.Connection);
    TRecordObject user, unit;
    TSysParams params;
    params.ShowSuccessMsg = QStringLiteral("0");
    user.SetValue(0, QStringLiteral("op%1").arg(o.From));
    unit.SetValue(0, QStringLiteral("101"));
    context.Context.CurrentUser = &user;
    context.Context.CurrentUnit = &unit;
    context.Context.SysParams = &params;
    const QStringList departments =
        Codes("select eid from pubdept where peid='101' and useflag='0' order by eid");
    TReport report;
    std::vector<std::unique_ptr<TOperator>> operators;
    for (int n = o.From; n < o.To; ++n)
        operators.push_back(
            std::make_unique<TOperator>(n, departments[n % departments.size()], o, report));
    const TAdoConn* def = GetDefConnection();
    const qint64 until = o.StartMs + qint64(o.Seconds) * 1000;
    std::vector<std::unique_ptr<QThread>> threads;
    for (auto& op : operators) {
        threads.emplace_back(QThread::create([&op, def, until] { op->Run(def, until); }));
        threads.back()->start();
    }
    for (auto& t : threads)
        t->wait();
    std::fflush(stdout);
    return 0;
}

// ---- the office ----

struct Figures {
    std::map<QString, std::vector<double>> Samples;
    std::map<QString, std::map<QString, int>> Errors;
    std::map<QString, qint64> Counters;
    QHash<QString, QString> Amounts;
};

void Collect(const QByteArray& output, Figures& f)
{
    for (const QByteArray& raw : output.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.size() < 3)
            continue;
        const QString rest = line.mid(2);
        const QString first = rest.section(QLatin1Char(' '), 0, 0);
        const QString tail = rest.section(QLatin1Char(' '), 1);
        switch (line[0].unicode()) {
        case 'S':
            f.Samples[first].push_back(tail.toDouble());
            break;
        case 'E':
            ++f.Errors[first][tail];
            break;
        case 'C':
            f.Counters[first] += tail.toLongLong();
            break;
        case 'M':
            f.Amounts[first] = tail;
            break;
        }
    }
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

int CheckInvariants(const Figures& f, qint64 before, qint64 beforeNext)
{
    int violations = 0;
    const auto fail = [&](const QString& what) {
        ++violations;
        std::printf("  VIOLATION: %s\n", qPrintable(what));
    };
    for (int year : {kYear, kYear + 1}) {
        const QString dup = Scalar(QStringLiteral("select count(*) from (select budgid from "
                                                  "busibudget where datayear=%1 group by budgid "
                                                  "having count(*)>1) d")
                                       .arg(year));
        if (dup != QLatin1String("0"))
            fail(QStringLiteral("%1 ids twice in %2").arg(dup).arg(year));
    }
    const QString keys = Scalar(
        QStringLiteral("select count(*) from (select 1 from busibudget where datayear=%1 and "
                       "(filename like '办公%') "
                       "group by btype,btypechild,bkid,eid,mid,ipid,bid,iid,coalesce(filename,'') "
                       "having count(*)>1) d")
            .arg(kYear));
    if (keys != QLatin1String("0"))
        fail(QStringLiteral("%1 duplicate keys among the office's indicators").arg(keys));
    const auto counter = [&](const char* name) {
        const auto it = f.Counters.find(QString::fromLatin1(name));
        return it == f.Counters.end() ? qint64(0) : it->second;
    };
    const qint64 now =
        Scalar(QStringLiteral("select count(*) from busibudget where datayear=%1").arg(kYear))
            .toLongLong();
    const qint64 expected = before + counter("adds") - counter("deletes") + counter("imported");
    if (now != expected)
        fail(QStringLiteral("%1 indicators in %2, expected %3").arg(now).arg(kYear).arg(expected));
    const qint64 next =
        Scalar(QStringLiteral("select count(*) from busibudget where datayear=%1").arg(kYear + 1))
            .toLongLong();
    if (next != beforeNext + counter("carried"))
        fail(QStringLiteral("%1 indicators in %2, expected %3")
                 .arg(next)
                 .arg(kYear + 1)
                 .arg(beforeNext + counter("carried")));
    TQueryRef q;
    OpenSql(QStringLiteral("select budgid,inputmoney from busibudget where datayear=%1 and "
                           "filename like '办公%' and filename not like '办公导入%'")
                .arg(kYear),
            q);
    QHash<QString, Currency> stored;
    for (TARQuery* ds = q->Dataset(); !ds->Eof(); ds->Next())
        stored.insert(ds->Fields(0).AsString(), *Currency::FromText(ds->Fields(1).AsString()));
    int lost = 0;
    for (auto it = f.Amounts.begin(); it != f.Amounts.end(); ++it)
        if (!stored.contains(it.key()) || stored.value(it.key()) != *Currency::FromText(it.value()))
            ++lost;
    if (lost)
        fail(QStringLiteral("%1 of %2 indicators do not hold their operator's last save")
                 .arg(lost)
                 .arg(f.Amounts.size()));
    return violations;
}

int RunOffice(Options o, const QString& program)
{
    const bool pg = !o.PgServer.isEmpty();
    QString connection;
    if (pg) {
        BenchPgDatabase(o.PgServer, o.Size);
        connection = BenchPgCopy(o.PgServer, o.Size, QStringLiteral("bench_office"));
    } else {
        const QString base = BenchDatabase(o.Folder, o.Size);
        const QString copy = o.Folder + QStringLiteral("/office.db");
        for (const char* s : {"", "-wal", "-shm"})
            QFile::remove(copy + QLatin1String(s));
        QFile::copy(base, copy);
        connection = QStringLiteral("Provider=SQLite;Data Source=") + copy;
    }
    BenchListContext context(connection);
    const qint64 before =
        Scalar(QStringLiteral("select count(*) from busibudget where datayear=%1").arg(kYear))
            .toLongLong();
    const qint64 beforeNext =
        Scalar(QStringLiteral("select count(*) from busibudget where datayear=%1").arg(kYear + 1))
            .toLongLong();
    const int processes =
        std::clamp(o.Processes > 0 ? o.Processes : std::min(o.Operators, 4), 1, o.Operators);
    std::printf("%d operators in %d processes on %s (%d indicators), %d s, think %d ms, an import "
                "of %d rows every %d s, a carry every %d s\n",
                o.Operators, processes, pg ? "PostgreSQL" : "SQLite", o.Size, o.Seconds, o.ThinkMs,
                kImportRows, o.ImportEvery, o.CarryEvery);
    std::fflush(stdout);
    const qint64 start = QDateTime::currentMSecsSinceEpoch() + 2000; // all connected by then
    std::vector<std::unique_ptr<QProcess>> children;
    for (int p = 0; p < processes; ++p) {
        const int from = o.Operators * p / processes, to = o.Operators * (p + 1) / processes;
        auto child = std::make_unique<QProcess>();
        child->setProcessChannelMode(QProcess::SeparateChannels);
        child->setReadChannel(QProcess::StandardOutput);
        child->start(program, {"--connection", connection, "--child-from", QString::number(from),
                               "--child-to", QString::number(to), "--operators",
                               QString::number(o.Operators), "--seconds",
                               QString::number(o.Seconds), "--think", QString::number(o.ThinkMs),
                               "--import-every", QString::number(o.ImportEvery), "--carry-every",
                               QString::number(o.CarryEvery), "--start", QString::number(start)});
        children.push_back(std::move(child));
    }
    Figures figures;
    for (auto& child : children) {
        QByteArray out;
        while (!child->waitForFinished(200))
            out += child->readAllStandardOutput();
        out += child->readAllStandardOutput();
        const QByteArray err = child->readAllStandardError();
        if (child->exitCode() != 0 || child->exitStatus() != QProcess::NormalExit)
            std::printf("a process ended badly (%d): %s\n", child->exitCode(), err.constData());
        Collect(out, figures);
    }
    std::printf("%-7s %7s %8s %8s %8s %8s %8s\n", "action", "count", "per s", "p50 ms", "p95 ms",
                "p99 ms", "max ms");
    for (const auto& [action, v] : figures.Samples)
        std::printf("%-7s %7zu %8.2f %8.1f %8.1f %8.1f %8.1f\n", qPrintable(action), v.size(),
                    v.size() / double(o.Seconds), Percentile(v, 0.5), Percentile(v, 0.95),
                    Percentile(v, 0.99), *std::max_element(v.begin(), v.end()));
    for (const auto& [action, causes] : figures.Errors)
        for (const auto& [cause, n] : causes)
            std::printf("errors  %-7s %5d  %s\n", qPrintable(action), n, qPrintable(cause));
    for (const auto& [name, n] : figures.Counters)
        std::printf("%s %lld  ", qPrintable(name), static_cast<long long>(n));
    std::printf("\n");
    const int violations = CheckInvariants(figures, before, beforeNext);
    std::printf("invariants: %s\n", violations ? "VIOLATED"
                                               : "ids unique, no duplicate keys, "
                                                 "counts agree, no lost update");
    return violations ? 1 : 0;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Options o = Parse(app.arguments().mid(1));
    if (o.From >= 0)
        return RunChild(o);
    return RunOffice(o, app.applicationFilePath());
}
