#include "support/untTableExport.h"

#include "controls/TNextGrid.h"
#include "platform/untException.h"
#include "support/untCsvText.h"
#include "support/untFileReplacement.h"
#include "support/untXlsxNumbers.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <cerrno>
#include <chrono>
#include <future>
#include <xlsxwriter.h>

namespace
{
constexpr int kProgressEvery = 4096;
// A workbook sheet's rows, header included.
constexpr int kSheetRows = 1048576;
// Characters a workbook cell takes.
constexpr int kCellChars = 32767;

bool Tell(const TExportProgress& progress, int row, int rows)
{
    return !progress || row % kProgressEvery != 0 || progress(row, rows);
}

// XML cannot carry most control characters: they become blanks.
QByteArray CellUtf8(QString text)
{
    for (QChar& c : text)
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            c = u' ';
    if (text.size() > kCellChars)
        text.truncate(kCellChars);
    return text.toUtf8();
}

// ---- workbook ----

struct Workbook {
    lxw_workbook* book = nullptr;
    ~Workbook()
    {
        if (book)
            lxw_workbook_free(book);
    }
};

void Check(lxw_error error, const QString& path)
{
    if (error != LXW_NO_ERROR)
        throw Exception(WriteError(path, QString::fromUtf8(lxw_strerror(error))));
}

bool WriteXlsx(const TExportTable& table, const QString& path, const QString& sheetName,
               const TExportProgress& progress)
{
    if (table.Rows + 1 > kSheetRows)
        throw Exception(QStringLiteral("共%L1行，超过一个工作表能容纳的%L2行；请导出为CSV文件。")
                            .arg(table.Rows)
                            .arg(kSheetRows - 1));
    TFileReplacement target(path);
    target.Release(); // the library writes the file by its name
    // Its own temporary files go to the same disk, so a full one is the disk the operator chose.
    QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE; // rows go to a temporary file as they are written
    options.tmpdir = folder.data();
    options.use_zip64 = LXW_TRUE;
    const QByteArray file = QFile::encodeName(target.TempPath());
    Workbook wb;
    errno = 0;
    wb.book = workbook_new_opt(file.constData(), &options);
    if (!wb.book)
        target.Fail(errno, QStringLiteral("无法创建工作簿。"));
    const QByteArray name = SheetNameOf(sheetName).toUtf8();
    lxw_worksheet* sheet = workbook_add_worksheet(wb.book, name.constData());
    if (!sheet || !WriteShortestNumbers(sheet))
        target.Fail(errno, QStringLiteral("无法创建工作表。"));
    lxw_format* header = workbook_add_format(wb.book);
    format_set_bold(header);
    format_set_align(header, LXW_ALIGN_CENTER);
    lxw_format* money = workbook_add_format(wb.book);
    format_set_num_format(money, "#,##0.00");
    lxw_format* text = workbook_add_format(wb.book);
    format_set_num_format(text, "@"); // codes stay text, leading zeros and all
    const int columns = int(table.Columns.size());
    for (int c = 0; c < columns; ++c) {
        const TExportColumn& column = table.Columns[c];
        Check(worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), column.Width,
                                   column.Amount ? money : text),
              path);
        Check(worksheet_write_string(sheet, 0, lxw_col_t(c), CellUtf8(column.Caption).constData(),
                                     header),
              path);
    }
    worksheet_freeze_panes(sheet, 1, 0);
    for (int r = 0; r < table.Rows; ++r) {
        if (!Tell(progress, r, table.Rows))
            return false;
        const lxw_row_t row = lxw_row_t(r + 1);
        for (int c = 0; c < columns; ++c) {
            const lxw_col_t col = lxw_col_t(c);
            if (table.Columns[c].Amount) {
                if (const auto amount = table.Amount(r, c)) {
                    Check(worksheet_write_number(sheet, row, col, amount->ToDouble(), money), path);
                    continue;
                }
            }
            const QString cell = table.Text(r, c);
            if (!cell.isEmpty())
                Check(worksheet_write_string(sheet, row, col, CellUtf8(cell).constData(), text),
                      path);
        }
    }
    // The library does not check its writes of the rows: a full disk shows here or never.
    if (FILE* rows = sheet->optimize_tmpfile; rows && (std::fflush(rows) != 0 || std::ferror(rows)))
        target.Fail(errno);
    // Closing packs the sheet into the zip: most of the time for a long list. It runs beside
    // the caller, which is told (rows written = all) every 50 ms and so stays responsive.
    lxw_workbook* book = wb.book;
    wb.book = nullptr; // closing frees it, whatever the outcome
    auto closing = std::async(std::launch::async, [book] {
        errno = 0;
        const lxw_error error = workbook_close(book);
        return std::make_pair(error, errno); // the cause, on the thread that met it
    });
    bool cancelled = false;
    while (closing.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        cancelled = (progress && !progress(table.Rows, table.Rows)) || cancelled;
    const auto [error, cause] = closing.get();
    if (error != LXW_NO_ERROR)
        target.Fail(cause, QString::fromUtf8(lxw_strerror(error)));
    if (cancelled)
        return false;
    target.Commit();
    return true;
}

// ---- CSV ----

void AppendCsvField(QByteArray& line, const QString& value)
{
    const QByteArray utf8 = CsvSafeText(value).toUtf8();
    if (!utf8.contains(',') && !utf8.contains('"') && !utf8.contains('\n') &&
        !utf8.contains('\r')) {
        line += utf8;
        return;
    }
    line += '"';
    for (char ch : utf8) {
        if (ch == '"')
            line += '"';
        line += ch;
    }
    line += '"';
}

bool WriteCsv(const TExportTable& table, const QString& path, const TExportProgress& progress)
{
    TFileReplacement file(path);
    QByteArray buffer("\xEF\xBB\xBF"); // the byte-order mark tells spreadsheets it is UTF-8
    const auto flush = [&] {
        file.Write(buffer);
        buffer.clear();
    };
    const int columns = int(table.Columns.size());
    for (int c = 0; c < columns; ++c) {
        if (c > 0)
            buffer += ',';
        AppendCsvField(buffer, table.Columns[c].Caption);
    }
    buffer += "\r\n";
    for (int r = 0; r < table.Rows; ++r) {
        if (!Tell(progress, r, table.Rows))
            return false;
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                buffer += ',';
            const auto amount =
                table.Columns[c].Amount ? table.Amount(r, c) : std::optional<Currency>();
            if (amount)
                buffer += amount->ToSqlText().toLatin1(); // exact, no grouping
            else
                AppendCsvField(buffer, table.Text(r, c));
        }
        buffer += "\r\n";
        if (buffer.size() > (1 << 20))
            flush();
    }
    flush();
    file.Commit();
    return true;
}
} // namespace

TExportTable GridExportTable(const TNextGrid* grid)
{
    TExportTable table;
    std::vector<int> sources;
    const QHeaderView* header = grid->horizontalHeader();
    for (int visual = 0; visual < grid->ColumnCount(); ++visual) {
        const int c = header->logicalIndex(visual);
        const TNxColumn& def = grid->Column(c);
        if (!def.Visible || grid->isColumnHidden(c) || def.Kind == TNxColumnKind::CheckBox)
            continue;
        const double chars = grid->columnWidth(c) / double(grid->fontMetrics().averageCharWidth());
        table.Columns.append({def.Caption, def.Kind == TNxColumnKind::Number, chars, def.Name});
        sources.push_back(c);
    }
    table.Rows = grid->RowCount();
    // The cells as they are now: the table is written on another thread.
    auto cells = std::make_shared<const TGridCells>(grid->Snapshot());
    table.Text = [cells, sources](int row, int col) {
        return cells->ShownText(sources[size_t(col)], row);
    };
    table.Amount = [cells, sources](int row, int col) -> std::optional<Currency> {
        const QString text = cells->ShownText(sources[size_t(col)], row);
        return text.isEmpty() ? std::nullopt : Currency::FromText(text);
    };
    return table;
}

TExportFormat ExportFormatOf(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0
               ? TExportFormat::Csv
               : TExportFormat::Xlsx;
}

bool ExportTable(const TExportTable& table, const QString& path, const QString& sheetName,
                 const TExportProgress& progress)
{
    const QString target = WritableTarget(path);
    const bool written = ExportFormatOf(path) == TExportFormat::Csv
                             ? WriteCsv(table, target, progress)
                             : WriteXlsx(table, target, sheetName, progress);
    if (written && progress)
        progress(table.Rows, table.Rows);
    return written;
}

QString SheetNameOf(const QString& text)
{
    QString name;
    for (const QChar c : text)
        if (!QStringLiteral("[]:*?/\\").contains(c))
            name += c;
    name = name.trimmed().left(31);
    return name.isEmpty() ? QStringLiteral("Sheet1") : name;
}
