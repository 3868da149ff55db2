#include "budget/gunBudgetImport.h"

#include "budget/gunFunCheck.h"
#include "context/untWorkContext.h"
#include "elements/gunfunElement.h"
#include "platform/gunStrDeal.h"
#include "platform/untCodePage.h"
#include "store/untColumnStore.h"

#include <QRegularExpression>
#include <algorithm>
#include <QSet>

namespace
{
struct FieldInfo {
    const char* Caption;
    std::array<const char*, 6> Headers; // codes before names; the rest null
    bool Required;
};

const FieldInfo kFields[kImportFieldCount] = {
    {"预算单位", {"预算编码", "单位编码", "单位代码", "单位名称", "预算单位", "单位"}, true},
    {"科目", {"科目编码", "科目代码", "科目名称", "科目"}, true},
    {"项目", {"项目编码", "项目代码", "项目名称", "项目"}, false},
    {"资金性质", {"资金性质编码", "资金性质"}, true},
    {"预算来源", {"预算来源编码", "预算来源"}, true},
    {"支出类型", {"支出类型编码", "支出类型"}, true},
    {"指标金额", {"指标金额", "金额", "控制金额", "录入金额"}, true},
    {"指标文号", {"指标文号", "文号"}, false},
    {"涉密", {"涉密", "密级"}, false},
    {"指标子类型", {"指标子类型", "子类型"}, false},
    {"所属处室", {"所属处室", "处室"}, false},
};

constexpr int kCheckProgressEvery = 2000;

TCodeTable ReadTable(const QString& sql, const QString& what)
{
    QList<TChoice> choices;
    if (!ReadChoices(sql, choices))
        throw TExceptBudgetManage(QStringLiteral("无法读取%1：%2").arg(what, LastDbError()));
    TCodeTable table;
    for (const TChoice& c : choices)
        table.Add(c.Code, c.Name);
    return table;
}

QString Quoted(const QString& text)
{
    return QStringLiteral("“%1”").arg(text);
}

bool OneOf(const QString& code, std::initializer_list<const char*> codes)
{
    for (const char* c : codes)
        if (QAnyStringView::equal(code, QUtf8StringView(c)))
            return true;
    return false;
}

// The expenditure types the entry dialog offers for a money kind and source.
bool ExpenditureTypeOffered(const QString& ipid, const QString& mid, const QString& bkid,
                            bool deptLevel)
{
    if (mid == QLatin1String("31"))
        return OneOf(ipid, {"17", "18", "19"});
    if (deptLevel && mid == QLatin1String("11") && bkid == QLatin1String("21"))
        return OneOf(ipid, {"11", "12", "22"});
    return OneOf(ipid, {"11", "12"});
}

// An amount as a spreadsheet shows it: "−" is a minus, a comma only groups thousands
// ("1,234,567.5"), and a decimal of more than 15 significant digits ("659200.06000000009999")
// is read to 15 of them, rounded half away from zero. "" when the text is no such decimal.
QString AmountDecimal(QString text)
{
    text.replace(QChar(0x2212), QLatin1Char('-'));
    static const QRegularExpression kForm(
        QStringLiteral("^([+-]?)([0-9]{1,3}(?:,[0-9]{3})+|[0-9]*)(?:\\.([0-9]*))?$"));
    const QRegularExpressionMatch m = kForm.match(text);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return QString();
    QString digits = m.captured(2).remove(QLatin1Char(',')) + m.captured(3);
    qsizetype point = digits.size() - m.captured(3).size();
    qsizetype first = 0;
    while (first < digits.size() && digits[first] == QLatin1Char('0'))
        ++first;
    if (digits.size() - first > 15) {
        const bool up = digits[first + 15] >= QLatin1Char('5');
        digits.truncate(first + 15);
        for (qsizetype i = digits.size() - 1; up; --i) {
            if (i < 0) {
                digits.prepend(QLatin1Char('1'));
                ++point;
                break;
            }
            const bool carry = digits[i] == QLatin1Char('9');
            digits[i] = carry ? QLatin1Char('0') : QChar(digits[i].unicode() + 1);
            if (!carry)
                break;
        }
        digits = digits.leftJustified(point, QLatin1Char('0'));
    }
    QString whole = digits.left(point), frac = digits.mid(point);
    while (frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    return m.captured(1) + (whole.isEmpty() ? QStringLiteral("0") : whole) +
           (frac.isEmpty() ? QString() : QLatin1Char('.') + frac);
}

// More than two decimals: the entry dialog takes yuan to the fen.
bool BeyondFen(const QString& decimal)
{
    const qsizetype point = decimal.indexOf(QLatin1Char('.'));
    return point >= 0 && decimal.size() - point - 1 > 2;
}

// Control characters other than tab and line breaks: PostgreSQL cuts a text at NUL, and none
// of them belongs in a code or a document number.
bool HasControl(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return IsControlChar(c) && c != u'\t' && c != u'\n' && c != u'\r';
    });
}

// "年初预算"/"1" → "1", "调整追加预算"/"2" → "2"; "" for anything else.
QString SubTypeCode(const QString& text)
{
    if (OneOf(text, {"", "1", "年初预算", "结余预算"}))
        return QStringLiteral("1");
    if (OneOf(text, {"2", "调整追加预算"}))
        return QStringLiteral("2");
    return QString();
}
// The sub-type caption the list shows for another indicator type: no sub-type of a budget figure.
bool OtherTypeCaption(const QString& text)
{
    return OneOf(text, {"控制数", "临时数"});
}
} // namespace

QString ImportFieldCaption(TImportField field)
{
    return QString::fromUtf8(kFields[int(field)].Caption);
}

bool ImportFieldRequired(TImportField field)
{
    return kFields[int(field)].Required;
}

QString ImportSecrecyCode(const QString& text)
{
    return OneOf(text, {"密", "0"})     ? QStringLiteral("0")
           : OneOf(text, {"非密", "1"}) ? QStringLiteral("1")
                                        : QString();
}

TImportMapping MatchImportColumns(const QStringList& headers)
{
    TImportMapping mapping;
    mapping.fill(-1);
    QSet<int> taken;
    for (int f = 0; f < kImportFieldCount; ++f) {
        for (const char* caption : kFields[f].Headers) {
            if (!caption)
                break;
            for (int c = 0; c < headers.size() && mapping[f] < 0; ++c)
                if (!taken.contains(c) && headers[c].trimmed() == QString::fromUtf8(caption))
                    mapping[f] = c;
            if (mapping[f] >= 0)
                break;
        }
        taken.insert(mapping[f]);
    }
    return mapping;
}

QStringList MissingImportFields(const TImportMapping& mapping)
{
    QStringList missing;
    for (int f = 0; f < kImportFieldCount; ++f)
        if (kFields[f].Required && mapping[f] < 0)
            missing << QString::fromUtf8(kFields[f].Caption);
    return missing;
}

QString TImportRows::Text(int row, const TImportMapping& mapping, TImportField field) const
{
    const int col = mapping[int(field)];
    if (col < 0 || col >= Cells->ColumnCount())
        return QString();
    return Cells->Text(row, col).trimmed();
}

bool TImportRows::IsTotals(int row) const
{
    for (int c = 0; c < Cells->ColumnCount(); ++c) {
        const QString cell = Cells->Text(row, c).trimmed();
        if (!cell.isEmpty())
            return cell == QStringLiteral("合计");
    }
    return false;
}

void TCodeTable::Add(const QString& code, const QString& name)
{
    Names.insert(code, name);
    CodesByName[name.trimmed()].append(code);
}

QString TCodeTable::Resolve(const QString& text, bool* ambiguous) const
{
    *ambiguous = false;
    if (Names.contains(text))
        return text;
    const auto byName = CodesByName.constFind(text);
    if (byName != CodesByName.constEnd()) {
        *ambiguous = byName->size() > 1;
        return *ambiguous ? QString() : byName->constFirst();
    }
    // "101 本级", as the unit tree shows a unit
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    if (blank > 0 && Names.contains(text.left(blank)))
        return text.left(blank);
    return QString();
}

TImportChecker::TImportChecker(int dataYear, const QString& bType)
    : m_year(dataYear), m_bType(bType), m_deptLevel(IsDeptLevelUnit()),
      m_secretUnit(CurrentUnitText(17) == QLatin1String("1"))
{
    const QString prefix = SqlText(Cp936DropRight(CurrentUnitText(0), 3));
    m_units = ReadTable("select eid as id,ename as name from pubdept where useflag='0' and eid "
                        "like '" +
                            prefix + "%'",
                        QStringLiteral("预算单位"));
    m_subjects =
        ReadTable(QStringLiteral("select bid as id,bname as name from pubsubject where datayear=%1")
                      .arg(dataYear),
                  QStringLiteral("%1年的科目").arg(dataYear));
    m_items = ReadTable(QStringLiteral("select iid as id,iname as name from pubitem where "
                                       "datayear=%1 and leafflag='0'")
                            .arg(dataYear),
                        QStringLiteral("%1年的项目").arg(dataYear));
    m_moneyKinds = ReadTable(MoneyKindsSql(0, false, QString()), QStringLiteral("资金性质"));
    m_sources = ReadTable(BudgetKindsSql(0, QString()), QStringLiteral("预算来源"));
    m_expenditureTypes =
        ReadTable(IncomePayTypesSql(0, QString(), false), QStringLiteral("支出类型"));
    if (SysParams().BureauMode == QLatin1String("0"))
        m_bureaux = ReadTable(BureauxSql(QString()), QStringLiteral("处室"));
    const TChoiceList secrecy = SecrecyChoices(false);
    m_defaultSecrecy = secrecy.Entries.value(secrecy.Selected).Code;
    if (m_defaultSecrecy.isEmpty())
        m_defaultSecrecy = QStringLiteral("1");
}

QString TImportChecker::Resolve(const TCodeTable& table, const QString& text, const QString& what,
                                QStringList& reasons) const
{
    if (text.isEmpty()) {
        reasons << QStringLiteral("缺少") + what;
        return QString();
    }
    bool ambiguous = false;
    const QString code = table.Resolve(text, &ambiguous);
    if (ambiguous)
        reasons << what + Quoted(text) + QStringLiteral("有重名，请写编码");
    else if (code.isEmpty())
        reasons << QStringLiteral("%1年没有").arg(m_year) + what + Quoted(text);
    return code;
}

bool TImportChecker::SubjectFits(const QString& bid, const QString& ipid, const QString& mid)
{
    const QString key = bid + QChar(0x1f) + ipid + QChar(0x1f) + mid;
    auto it = m_subjectFits.constFind(key);
    if (it == m_subjectFits.constEnd()) {
        QString name;
        it = m_subjectFits.insert(key,
                                  GetSubjectName(bid, name, ipid, mid, m_year, QString(), true));
    }
    return *it;
}

void TImportChecker::CheckItem(const QString& text, TBudget& b, QStringList& reasons) const
{
    // An item where the entry dialog offers none (salary items of basic expenditure, say) is
    // kept: the year has it, and the file's indicator says so.
    if (!text.isEmpty()) {
        b.Iid = Resolve(m_items, text, QStringLiteral("项目"), reasons);
        if (b.Iid.isEmpty())
            return;
    }
    QString message;
    if (CheckItemCode(0, b.Mid, b.IPid, QString(), b.IsSecret, b.Iid, message))
        reasons << message;
}

void TImportChecker::CheckAmount(const QString& text, TBudget& b, QStringList& reasons) const
{
    if (text.isEmpty()) {
        reasons << QStringLiteral("缺少指标金额");
        return;
    }
    const QString decimal = AmountDecimal(text);
    const QString named = QStringLiteral("指标金额") + Quoted(text);
    if (decimal.isEmpty()) {
        reasons << named + QStringLiteral("不是数字");
        return;
    }
    if (BeyondFen(decimal)) {
        reasons << named + QStringLiteral("超过两位小数");
        return;
    }
    const std::optional<Currency> amount = Currency::FromText(decimal);
    if (!amount || !amount->InRange()) {
        reasons << named + Currency::RangeText();
        return;
    }
    if (amount->Raw() == 0)
        reasons << QStringLiteral("指标金额为零");
    else if (amount->Raw() < 0 && b.BTypeChild != QLatin1String("2"))
        reasons << QStringLiteral("指标金额不能小于零");
    b.BudgMoney = b.InputMoney = *amount;
}

QStringList TImportChecker::Check(const TImportRows& rows, int row, const TImportMapping& mapping,
                                  TBudget& b)
{
    std::array<QString, kImportFieldCount> texts; // each cell read once
    for (int f = 0; f < kImportFieldCount; ++f)
        texts[size_t(f)] = rows.Text(row, mapping, TImportField(f));
    auto text = [&](TImportField f) -> const QString& { return texts[size_t(f)]; };
    QStringList reasons;
    b = TBudget();
    b.DataYear = m_year;
    b.BType = b.BTypeChild = m_bType;
    if (rows.IsTotals(row))
        return {QStringLiteral("合计行")};
    for (int f = 0; f < kImportFieldCount; ++f)
        if (HasControl(text(TImportField(f))))
            reasons << ImportFieldCaption(TImportField(f)) + QStringLiteral("含有控制字符");
    if (!reasons.isEmpty())
        return reasons;
    b.Eid = Resolve(m_units, text(TImportField::Unit), QStringLiteral("预算单位"), reasons);
    b.Mid =
        Resolve(m_moneyKinds, text(TImportField::MoneyKind), QStringLiteral("资金性质"), reasons);
    b.Bkid = Resolve(m_sources, text(TImportField::Source), QStringLiteral("预算来源"), reasons);
    b.IPid = Resolve(m_expenditureTypes, text(TImportField::ExpenditureType),
                     QStringLiteral("支出类型"), reasons);
    if (!b.Mid.isEmpty() && !b.IPid.isEmpty() && !b.Bkid.isEmpty() &&
        !ExpenditureTypeOffered(b.IPid, b.Mid, b.Bkid, m_deptLevel))
        reasons << QStringLiteral("支出类型") + Quoted(m_expenditureTypes.Names.value(b.IPid)) +
                       QStringLiteral("不适用于资金性质") + Quoted(m_moneyKinds.Names.value(b.Mid));
    // Budget figures carry a sub-type: the file's when it gives one (a list exported with its
    // sub-type column, 调整追加预算 of the year before's balance too), else 年初预算 as the entry
    // dialog adds them; the other indicator types are their own sub-type.
    const QString subType = text(TImportField::SubType);
    if (m_bType == QLatin1String("1")) {
        b.BTypeChild = OtherTypeCaption(subType) ? QStringLiteral("1") : SubTypeCode(subType);
        if (b.BTypeChild.isEmpty())
            reasons << QStringLiteral("指标子类型") + Quoted(subType) + QStringLiteral("不正确");
    }
    const QString secrecy = text(TImportField::Secrecy);
    b.IsSecret = secrecy.isEmpty() ? m_defaultSecrecy : ImportSecrecyCode(secrecy);
    if (b.IsSecret.isEmpty())
        reasons << QStringLiteral("涉密") + Quoted(secrecy) + QStringLiteral("应为“密”或“非密”");
    if (m_secretUnit && !OneOf(b.IPid, {"12", "17", "18", "19"}))
        b.IsSecret = QStringLiteral("1"); // as the entry dialog fixes it
    b.Bid = Resolve(m_subjects, text(TImportField::Subject), QStringLiteral("科目"), reasons);
    if (!b.Bid.isEmpty() && !b.Mid.isEmpty() && !b.IPid.isEmpty() &&
        !SubjectFits(b.Bid, b.IPid, b.Mid))
        reasons << QStringLiteral("科目") + Quoted(b.Bid) +
                       QStringLiteral("不是末级科目，或不适用于该资金性质和支出类型");
    if (!b.Mid.isEmpty() && !b.IPid.isEmpty())
        CheckItem(text(TImportField::Item), b, reasons);
    CheckAmount(text(TImportField::Amount), b, reasons);
    b.FileName = text(TImportField::FileName);
    if (b.FileName.size() > kFileNameLength)
        reasons << QStringLiteral("指标文号超过%1个字").arg(kFileNameLength);
    if (SysParams().BureauMode == QLatin1String("0")) {
        if (SysParams().BureauScope == 1)
            b.BurId = CurrentUserText(7);
        else
            b.BurId =
                Resolve(m_bureaux, text(TImportField::Bureau), QStringLiteral("所属处室"), reasons);
    }
    return reasons;
}

void TImportChecker::BeginRows(const TImportRows& rows, const TImportMapping& mapping)
{
    m_checkedCells = rows.Cells;
    m_checkedMapping = mapping;
    m_checked.assign(size_t(rows.Count()), CheckedRow());
}

TImportChecker::CheckedRow TImportChecker::Fields(const TBudget& b)
{
    return {b.Eid, b.Mid, b.Bkid,     b.IPid,  b.BTypeChild, b.IsSecret,
            b.Bid, b.Iid, b.FileName, b.BurId, b.BudgMoney,  true};
}

void TImportChecker::Apply(const CheckedRow& c, TBudget& b) const
{
    b.DataYear = m_year;
    b.BType = m_bType;
    b.BTypeChild = c.BTypeChild;
    b.Eid = c.Eid;
    b.Mid = c.Mid;
    b.Bkid = c.Bkid;
    b.IPid = c.IPid;
    b.IsSecret = c.IsSecret;
    b.Bid = c.Bid;
    b.Iid = c.Iid;
    b.FileName = c.FileName;
    b.BurId = c.BurId;
    b.BudgMoney = b.InputMoney = c.Amount;
}

void TImportChecker::Remember(int row, const TBudget& b)
{
    if (row >= 0 && size_t(row) < m_checked.size())
        m_checked[size_t(row)] = Fields(b);
}

bool TImportChecker::Remembers(const TImportRows& rows, const TImportMapping& mapping) const
{
    return rows.Cells == m_checkedCells && mapping == m_checkedMapping &&
           m_checked.size() == size_t(rows.Count());
}

bool TImportChecker::FillRow(const TImportRows& rows, const TImportMapping& mapping, int row,
                             TBudget& b) const
{
    if (!Remembers(rows, mapping) || row < 0 || size_t(row) >= m_checked.size() ||
        !m_checked[size_t(row)].Valid)
        return false;
    Apply(m_checked[size_t(row)], b);
    return true;
}

QString ImportStoredReason()
{
    return QStringLiteral("本单位已经存在相同属性的预算指标");
}

std::vector<QString> CheckImportRows(const TImportRows& rows, const TImportMapping& mapping,
                                     TImportChecker& checker, const TImportProgress& progress)
{
    checker.BeginRows(rows, mapping);
    const QSet<QString> existing = ExistingBudgetKeys(checker.DataYear());
    QHash<QString, int> firstLine; // of each key in the file
    std::vector<QString> reasons(size_t(rows.Count()));
    TBudget b;
    for (int r = 0; r < rows.Count(); ++r) {
        if (progress && r % kCheckProgressEvery == 0 && !progress(r, rows.Count()))
            return {};
        QStringList found = checker.Check(rows, r, mapping, b);
        if (found.isEmpty()) {
            const QString key = BudgetDuplicateKey(b);
            if (existing.contains(key))
                found << ImportStoredReason();
            else if (const auto earlier = firstLine.constFind(key); earlier != firstLine.cend())
                found << QStringLiteral("与第%1行重复").arg(*earlier);
            else {
                firstLine.insert(key, rows.Lines[size_t(r)]);
                checker.Remember(r, b); // the write takes it as checked
            }
        }
        reasons[size_t(r)] = found.join(QStringLiteral("；"));
    }
    if (progress)
        progress(rows.Count(), rows.Count());
    return reasons;
}

int ImportBudgets(const TImportRows& rows, const TImportMapping& mapping, TImportChecker& checker,
                  const std::vector<QString>& reasons, const QString& typeCaption,
                  const QString& fileName, const TImportProgress& progress,
                  std::vector<int>* stored)
{
    // Rows checked apart (another checker, say) are checked here, before the write: nothing but
    // the write runs on the connection while it lasts.
    if (!checker.Remembers(rows, mapping)) {
        checker.BeginRows(rows, mapping);
        TBudget b;
        for (int i = 0; i < rows.Count() && size_t(i) < reasons.size(); ++i)
            if (reasons[size_t(i)].isEmpty() && checker.Check(rows, i, mapping, b).isEmpty())
                checker.Remember(i, b);
    }
    // The bookkeeping every new indicator of the import shares (today's date once).
    TBudget completed;
    completed.UserId = CurrentUserCode();
    CompleteNewBudgetFields(completed, typeCaption);
    completed.Memoo = QStringLiteral("导入") + fileName.left(200);
    return InsertNewBudgets(
        checker.DataYear(), TWritePath::Import, rows.Count(),
        [&](int i, TBudget& b) {
            if (size_t(i) >= reasons.size() || !reasons[size_t(i)].isEmpty())
                return false;
            b = completed;
            return checker.FillRow(rows, mapping, i, b);
        },
        progress, stored);
}
