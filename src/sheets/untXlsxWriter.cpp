#include "sheets/untXlsxWriter.h"

#include "platform/untException.h"
#include "sheets/untFileReplacement.h"
#include "sheets/untXlsxNumbers.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <future>
#include <xlsxwriter.h>

namespace
{
// A workbook sheet's rows, header included.
constexpr int kSheetRows = 1048576;
// Characters a workbook cell takes.
constexpr int kCellChars = 32767;

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

} // namespace

bool TXlsxWriter::Write(const TExportTable& table, const QString& path, const QString& sheetName,
                        const TExportProgress& progress) const
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
        if (!TellProgress(progress, r, table.Rows))
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
