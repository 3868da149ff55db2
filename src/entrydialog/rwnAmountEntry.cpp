#include "entrydialog/rwnAmountEntry.h"

#include "budget/gunFunCheck.h"
#include "context/untWorkContext.h"
#include "controls/PBNumEdit.h"
#include "platform/untApplication.h"
#include "platform/untMessageBox.h"

#include <QComboBox>
#include <QTimer>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace
{
// An amount of the edit (in the unit) as exact ten-thousandths of a yuan: ×10000 once per
// unit step, rounded half to even.
Currency YuanOf(long double value, int unit)
{
    const long double raw = value * 10000.0L * (unit == 1 ? 10000.0L : 1.0L);
    const long double rounded = std::nearbyintl(raw);
    if (!(std::fabs(rounded) < 9.2e18L))
        throw Exception(QStringLiteral("金额超出可处理的范围。"));
    return Currency::FromRaw(static_cast<qint64>(rounded));
}

long double InUnit(Currency yuan, int unit)
{
    return static_cast<long double>(yuan.Raw()) / (unit == 1 ? 1e8L : 1e4L);
}

// A bound in yuan as the edit reads its text in the unit: to the fen in 元, to the yuan in 万元
// (toward zero, so the bound itself is in range).
long double BoundInUnit(Currency yuan, int unit)
{
    const qint64 raw = unit == 1 ? yuan.Raw() / 10000 : yuan.Raw() / 100 * 100;
    return std::strtold(Currency::FromRaw(raw).ToSqlText().toLatin1().constData(), nullptr);
}
} // namespace

TAmountEntry::TAmountEntry(const TEntryControls& ui) : m_ui(ui) {}

void TAmountEntry::Start()
{
    m_unit = std::clamp(SysParams().DefaultMoneyUnit, 0, 1);
    m_ui.cbUnit->setCurrentIndex(m_unit);
    m_ui.pbedtMoney->SetDecimals(2 * m_unit + 2);
    ApplyRange();
}

void TAmountEntry::SetYuan(Currency yuan)
{
    m_exactYuan = yuan;
    Show();
}

Currency TAmountEntry::Yuan() const
{
    return m_exactYuan ? *m_exactYuan : YuanOf(m_ui.pbedtMoney->Value(), m_unit);
}

void TAmountEntry::SetMinimum(Currency yuan)
{
    m_minimum = yuan;
    ApplyRange();
}

// The edit checks the amount when it is left: the product's range (or the opener's minimum),
// in the unit in force. Out of range it keeps the text for OK to refuse, instead of putting
// the bound there: Enter on the edit or a click on OK would store that bound unseen.
void TAmountEntry::ApplyRange()
{
    TPBNumEdit* edit = m_ui.pbedtMoney;
    edit->SetMinValue(-LDBL_MAX);
    edit->SetMaxValue(BoundInUnit(Currency::FromRaw(Currency::kLimitRaw), m_unit));
    edit->SetMinValue(BoundInUnit(m_minimum, m_unit));
    edit->OnInvalidEntry = [](TPBNumEdit* invalid) {
        Beep();
        QTimer::singleShot(0, invalid, [invalid] { invalid->setFocus(); });
    };
}

void TAmountEntry::Show()
{
    if (m_exactYuan)
        m_ui.pbedtMoney->SetValue(InUnit(*m_exactYuan, m_unit));
}

void TAmountEntry::UnitChanged()
{
    const int unit = m_ui.cbUnit->currentIndex();
    if (unit == m_unit || unit < 0)
        return;
    // The amount stays exact: switching units changes only how it is shown.
    const Currency yuan = Yuan();
    m_ui.pbedtMoney->SetDecimals(4);
    SysParams().DefaultMoneyUnit = unit;
    SetSysParam(QStringLiteral("setDefaultUnit"), QString::number(unit));
    m_exactYuan = yuan;
    m_unit = unit;
    m_ui.pbedtMoney->SetDecimals(2 * unit + 2);
    ApplyRange();
    Show();
}

bool TAmountEntry::Check(const QString& bTypeChild) const
{
    TPBNumEdit* edit = m_ui.pbedtMoney;
    const long double shown = edit->Value();
    if (!m_exactYuan && (shown < edit->MinValue() || shown > edit->MaxValue())) {
        edit->setFocus(); // a typed amount: the edit's range
        ShowMessage(QStringLiteral("指标金额超出范围（%1～%2%3）。")
                        .arg(edit->FormatValue(edit->MinValue()),
                             edit->FormatValue(edit->MaxValue()), m_ui.cbUnit->currentText()),
                    CaptionInfo(), MsgIcon::Information);
        return false;
    }
    const Currency amount = Yuan();
    if (!amount.InRange()) {
        edit->setFocus();
        ShowMessage(QStringLiteral("指标") + Currency::RangeText() + QStringLiteral("。"),
                    CaptionInfo(), MsgIcon::Information);
        return false;
    }
    if (amount.Raw() == 0) {
        edit->setFocus();
        ShowMessage(QStringLiteral("请输入金额"), CaptionInfo(), MsgIcon::Information);
        return false;
    }
    if (amount.Raw() < 0 && bTypeChild != QLatin1String("2")) {
        edit->setFocus();
        ShowMessage(QStringLiteral("指标金额不能小于零!"), CaptionInfo(), MsgIcon::Information);
        return false;
    }
    return true;
}
