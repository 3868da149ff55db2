#pragma once
// Query results held column by column.

#include "platform/untCurrency.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A query result held column by column: texts once per distinct value (or packed as UTF-8
// when they rarely repeat), numbers as 64-bit ten-thousandths, no object per cell.
class TColumnStore
{
public:
    enum class Kind { Empty, Text, Number, Real };

    void SetColumns(const QStringList& names, const QList<bool>& numeric);
    int ColumnCount() const { return static_cast<int>(m_columns.size()); }
    int RowCount() const { return m_rows; }
    QString ColumnName(int col) const { return m_columns[col].Name; }
    int ColumnIndex(const QString& name) const; // without regard to case; -1 when absent
    Kind ColumnKind(int col) const { return m_columns[col].kind; }

    // Appends one value to each column in turn; call EndRow after the last column.
    void Append(int col, const QVariant& value);
    void AppendNull(int col);
    void AppendInt(int col, qint64 value);
    void AppendReal(int col, double value);
    void AppendUtf8(int col, const char* data, int size);
    void EndRow() { ++m_rows; }

    bool IsNull(int row, int col) const;
    QString Text(int row, int col) const;
    double Float(int row, int col) const;
    // Texts are parsed; null gives 0. Raises Exception for a text that is no amount this type
    // holds (a stored value beyond its range), instead of a wrong number.
    Currency Money(int row, int col) const;
    QVariant Value(int row, int col) const;
    // Adds the cell to an overflow-free sum (null adds nothing).
    void AddToSum(int row, int col, TMoneySum& sum) const;
    // The length of the column's longest text (in bytes for packed texts, which are ids and
    // notes: ASCII in practice).
    int MaxTextLength(int col) const;

    // Distinct-text id of a cell in a dictionary column (-1 null); -2 when the column is not
    // a dictionary column.
    int TextId(int row, int col) const;
    // The UTF-8 bytes of a cell of a packed text column; false for other columns.
    bool PackedUtf8(int row, int col, QByteArrayView& bytes) const;
    size_t MemoryBytes() const;

private:
    struct KeyHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    struct Column {
        QString Name;
        bool numericHint = false;
        Kind kind = Kind::Empty;
        int leadingNulls = 0;
        // Text, dictionary mode
        bool packed = false;
        std::unordered_map<std::string, int, KeyHash, std::equal_to<>> lookup;
        std::vector<QString> dict;
        std::vector<qint32> ids;
        const std::string* lastKey = nullptr; // sorted results repeat the previous text
        int lastId = -1;
        // Text, packed mode (UTF-8)
        QByteArray buffer;
        std::vector<qint64> offsets; // row start; the end is the next start
        std::vector<bool> nulls;
        // Number / Real
        std::vector<qint64> raws;
        std::vector<double> reals;
        std::vector<bool> numNulls;
    };
    enum class Incoming { Null, Int, Real, Text };
    // Settles the kind of a column at its first non-null value.
    Column& Prepare(int col, Incoming incoming, std::string_view text = {});
    static void AddText(Column& c, std::string_view utf8, bool isNull);
    static void AddNumber(Column& c, qint64 raw, bool isNull);
    static void AddReal(Column& c, double value);
    static void ToPacked(Column& c);
    static void NumberToReal(Column& c);
    static void NumberToText(Column& c);
    static QString NumberText(const Column& c, int row);

    std::vector<Column> m_columns;
    int m_rows = 0;
};
