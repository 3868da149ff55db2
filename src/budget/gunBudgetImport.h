#pragma once
// Importing indicators from a table: matching columns to fields, checking each row against the
// working year's code tables, and writing the valid rows.

#include "budget/gunBudgetSave.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class TColumnStore;

enum class TImportField {
    Unit,
    Subject,
    Item,
    MoneyKind,
    Source,
    ExpenditureType,
    Amount,
    FileName,
    Secrecy,
    SubType,
    Bureau
};
constexpr int kImportFieldCount = 11;

// The field's name as the mapping shows it.
QString ImportFieldCaption(TImportField field);
// Whether a file without such a column cannot be imported.
bool ImportFieldRequired(TImportField field);
// A secrecy cell as its code: "密"/"0" → "0", "非密"/"1" → "1", anything else empty.
QString ImportSecrecyCode(const QString& text);

// The file's column of each field (-1: none).
using TImportMapping = std::array<int, kImportFieldCount>;
// Each field to the first header that carries one of its captions (the list's captions: 预算编码
// or 单位名称, 科目编码, 项目编码, 资金性质, 预算来源, 支出类型, 指标金额 or 控制金额, 指标文号,
// 涉密 or 密级, 指标子类型, 所属处室), codes before names.
TImportMapping MatchImportColumns(const QStringList& headers);
// The captions of required fields without a column.
QStringList MissingImportFields(const TImportMapping& mapping);

// The rows read from a file: one text column per file column, and each row's line in the file.
struct TImportRows {
    QStringList Headers;
    std::shared_ptr<const TColumnStore> Cells;
    std::vector<int> Lines;
    // The cells of a row beyond the headers' columns, up to its last one that is not empty (rows
    // without such cells are not in it).
    QHash<int, QStringList> Beyond;
    int Count() const { return int(Lines.size()); }
    // The row's text of a field ("" when the field has no column).
    QString Text(int row, const TImportMapping& mapping, TImportField field) const;
    // The list's totals row, exported with it: its first cell that is not empty says "合计".
    bool IsTotals(int row) const;
};

// A code table of one kind: codes with their names, and the codes of each name.
struct TCodeTable {
    QHash<QString, QString> Names;
    QHash<QString, QStringList> CodesByName;
    void Add(const QString& code, const QString& name);
    // The code of a text that is a code, a unique name or "code name"; "" with `ambiguous` set
    // when two codes share the name.
    QString Resolve(const QString& text, bool* ambiguous) const;
};

// Checks rows as the entry dialog checks an indicator of the working year and the chosen
// type; the code tables are read once, the subject rule once per subject, money kind and type.
class TImportChecker
{
public:
    // Raises TExceptBudgetManage when a code table cannot be read.
    TImportChecker(int dataYear, const QString& bType);
    // The indicator the row describes, with the reasons it cannot be imported (none: valid).
    QStringList Check(const TImportRows& rows, int row, const TImportMapping& mapping, TBudget& b);
    int DataYear() const { return m_year; }
    // What Check found for the valid rows of one check (CheckImportRows), forgotten when other
    // rows or another mapping are checked.
    void BeginRows(const TImportRows& rows, const TImportMapping& mapping);
    void Remember(int row, const TBudget& b);
    bool Remembers(const TImportRows& rows, const TImportMapping& mapping) const;
    // The fields Check filled in from a remembered row, into b (its other fields left as they
    // are); false for a row not remembered.
    bool FillRow(const TImportRows& rows, const TImportMapping& mapping, int row, TBudget& b) const;

private:
    // The fields Check fills in from a row (the year and type are the checker's).
    struct CheckedRow {
        QString Eid, Mid, Bkid, IPid, BTypeChild, IsSecret, Bid, Iid, FileName, BurId;
        Currency Amount;
        bool Valid = false;
    };
    static CheckedRow Fields(const TBudget& b);
    void Apply(const CheckedRow& c, TBudget& b) const;

    QString Resolve(const TCodeTable& table, const QString& text, const QString& what,
                    QStringList& reasons) const;
    bool SubjectFits(const QString& bid, const QString& ipid, const QString& mid);
    void CheckItem(const QString& text, TBudget& b, QStringList& reasons) const;
    void CheckAmount(const QString& text, TBudget& b, QStringList& reasons) const;

    int m_year;
    QString m_bType;
    TCodeTable m_units;
    TCodeTable m_subjects;
    TCodeTable m_items;
    TCodeTable m_moneyKinds;
    TCodeTable m_sources;
    TCodeTable m_expenditureTypes;
    TCodeTable m_bureaux;
    QHash<QString, bool> m_subjectFits;
    std::shared_ptr<const TColumnStore> m_checkedCells;
    TImportMapping m_checkedMapping{};
    std::vector<CheckedRow> m_checked;
    bool m_deptLevel;
    bool m_secretUnit;
    QString m_defaultSecrecy;
};

// The reason of a row whose indicator the year holds already.
QString ImportStoredReason();

// The reason of each row ("" for a valid one): the checker's, then a duplicate of an indicator
// of the year or of an earlier row. Told every few thousand rows; false cancels (empty result).
using TImportProgress = std::function<bool(int done, int total)>;
std::vector<QString> CheckImportRows(const TImportRows& rows, const TImportMapping& mapping,
                                     TImportChecker& checker, const TImportProgress& progress = {});

// Writes the valid rows (an empty reason) as new indicators in one write transaction, completed
// as a saved entry completes one, the remark "导入" + the file's name. Returns how many were
// written; 0 and nothing written when cancelled. Raises TExceptBudgetManage when the write
// fails (nothing is written then either). `stored` gets the valid rows left out because the
// year held them by the write (stored by another operator since the check).
int ImportBudgets(const TImportRows& rows, const TImportMapping& mapping, TImportChecker& checker,
                  const std::vector<QString>& reasons, const QString& typeCaption,
                  const QString& fileName, const TImportProgress& progress = {},
                  std::vector<int>* stored = nullptr);
