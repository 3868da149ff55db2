#include "controls/PBNumEdit.h"

#include "platform/untClipboard.h"
#include "platform/untException.h"
#include "platform/untMessageBox.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>
#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace
{
bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// 1-based position of a character, 0 when absent.
int PositionOf(const QString& text, QChar c)
{
    return int(text.indexOf(c)) + 1;
}
} // namespace

TPBNumEdit::TPBNumEdit(QWidget* parent) : QLineEdit(parent)
{
    const QLocale locale;
    m_seps.Decimal = locale.decimalPoint().at(0);
    m_seps.Thousands =
        locale.groupSeparator().isEmpty() ? QLatin1Char(',') : locale.groupSeparator().at(0);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAcceptDrops(false); // a drop would bypass the key filter
    resize(100, sizeHint().height());
    setText(FormatValue(0));
}

// ---- properties ----

void TPBNumEdit::SetDecimals(int decimals)
{
    if (decimals == m_decimals)
        return;
    decimals = decimals < 0 ? -1 : std::min(decimals, 14);
    if (m_maxLength > 0 && decimals > m_maxLength - 2)
        decimals = m_maxLength - 2;
    m_decimals = decimals;
    Reformat();
}

void TPBNumEdit::SetMaxValue(long double value)
{
    if (value != m_max && value >= m_min)
        m_max = value;
}

void TPBNumEdit::SetMinValue(long double value)
{
    if (value != m_min && value <= m_max)
        m_min = value;
}

void TPBNumEdit::SetNumberFormat(TNumberFormat format)
{
    m_format = format;
    Reformat();
}

void TPBNumEdit::SetMaxLength(int length)
{
    m_maxLength = std::max(0, length);
}

QString TPBNumEdit::StripThousands(const QString& text) const
{
    QString s = text;
    s.remove(m_seps.Thousands);
    if (s.isEmpty())
        return QStringLiteral("0");
    if (s == QLatin1String("-"))
        return QStringLiteral("-0");
    return s;
}

long double TPBNumEdit::Value() const
{
    const QString s = StripThousands(text());
    // [-]digits[.digits][E[-|+]digits]; an empty part counts as 0.
    qsizetype i = 0;
    QString mantissa, exponent;
    if (i < s.size() && s[i] == QLatin1Char('-'))
        mantissa += s[i++];
    QString whole, frac;
    while (i < s.size() && IsDigit(s[i]))
        whole += s[i++];
    if (i < s.size() && s[i] == m_seps.Decimal)
        for (++i; i < s.size() && IsDigit(s[i]);)
            frac += s[i++];
    if (i < s.size() && s[i] == QLatin1Char('E')) {
        ++i;
        if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
            exponent += s[i++];
        while (i < s.size() && IsDigit(s[i]))
            exponent += s[i++];
    }
    if (i != s.size())
        throw Exception(QStringLiteral("“%1”不是有效的数值。").arg(text()));
    if (!exponent.isEmpty() && !IsDigit(exponent.back()))
        exponent += QLatin1Char('0');
    const QByteArray number =
        (mantissa + (whole.isEmpty() ? QStringLiteral("0") : whole) + QLatin1Char('.') + frac +
         QLatin1Char('e') + (exponent.isEmpty() ? QStringLiteral("0") : exponent))
            .toLatin1();
    long double value = std::strtold(number.constData(), nullptr);
    if (std::isinf(value)) // beyond the type's range: its largest value
        value = std::signbit(value) ? -LDBL_MAX : LDBL_MAX;
    return value;
}

void TPBNumEdit::SetValue(long double value)
{
    const QString formatted = FormatValue(value);
    if (formatted != text())
        setText(formatted);
}

QString TPBNumEdit::FormatValue(long double x) const
{
    if (m_format == TNumberFormat::Engineering && x != 0) {
        // The power of ten's third, truncated toward zero, times 3: 0.05 keeps e = 0. (log10,
        // not ln ÷ ln 10, so that an exact power of ten gives its own exponent.)
        const int e = int(std::trunc(std::log10(std::fabs(x)) / 3)) * 3;
        const long double m = x / std::pow(10.0L, e);
        int c = 14 - (m > 9 ? 1 : 0) - (m > 99 ? 1 : 0);
        if (m_decimals != -1 && m_decimals < c)
            c = m_decimals;
        QString pattern = QStringLiteral("0");
        if (m_decimals == -1)
            pattern += QLatin1Char('.') + QString(c, QLatin1Char('#'));
        else if (m_decimals > 0)
            pattern += QLatin1Char('.') + QString(c, QLatin1Char('0'));
        return FormatFloat(pattern, m, m_seps) + QLatin1Char('E') + QString::number(e);
    }
    const bool thousands = m_format == TNumberFormat::Thousands;
    QString pattern = thousands ? QStringLiteral(",0") : QStringLiteral("0");
    if (m_decimals > 0)
        pattern += QLatin1Char('.') + QString(m_decimals, QLatin1Char('0'));
    else if (m_decimals == -1)
        pattern += QLatin1Char('.') + QString(14, QLatin1Char('#'));
    if (m_format == TNumberFormat::Scientific || m_format == TNumberFormat::Engineering)
        pattern += QStringLiteral("E-");
    QString result = FormatFloat(pattern, x, m_seps);

    // Never more than 15 significant digits from the number.
    const int dot = int(result.indexOf(m_seps.Decimal));
    if (result.contains(QLatin1Char('E')) || dot < 0)
        return result;
    int k = 0;
    for (int i = 0; i < dot; ++i)
        k += IsDigit(result[i]) ? 1 : 0;
    const int room = std::max(0, 15 - k);
    const QString head = thousands ? QStringLiteral(",0") : QStringLiteral("0");
    if (m_decimals == -1 && thousands)
        return FormatFloat(head + (room > 0 ? "." + QString(room, QLatin1Char('#')) : QString()), x,
                           m_seps);
    if (m_decimals >= 0 && room < m_decimals) {
        result = FormatFloat(head + (room > 0 ? "." + QString(room, QLatin1Char('0')) : QString()),
                             x, m_seps);
        if (room == 0)
            result += m_seps.Decimal;
        result += QString(m_decimals - room, QLatin1Char('0'));
    }
    return result;
}

void TPBNumEdit::Reformat()
{
    try {
        SetValue(Value());
    } catch (const Exception&) {
        // A text the program set that is no number stays as it is until it is replaced.
    }
}

void TPBNumEdit::SetTextAndCaret(const QString& text, int caret)
{
    const bool changed = text != this->text();
    setText(text);
    setCursorPosition(std::clamp(caret, 0, int(text.size())));
    if (changed)
        emit Typed();
}

bool TPBNumEdit::RoomForOneMore() const
{
    if (m_maxLength <= 0)
        return true;
    QString digits = text();
    digits.remove(m_seps.Thousands);
    return digits.size() < m_maxLength;
}

// ---- typing ----

void TPBNumEdit::KeyPress(QChar key)
{
    if (isReadOnly())
        return;
    // A full-width digit or sign (an input method's) is the number's own.
    const QChar folded = FoldNumberChar(key);
    QChar ch = folded == QLatin1Char('e') ? QLatin1Char('E') : folded;
    const bool allowed =
        ch == QLatin1Char('-') || IsDigit(ch) || ch == QLatin1Char('E') || ch == m_seps.Decimal;
    if (!allowed) {
        RefuseKey();
        return;
    }
    if (ch == QLatin1Char('E') || ch == m_seps.Decimal) {
        const int caret = cursorPosition();
        deselect();
        setCursorPosition(caret);
    } else if (hasSelectedText()) {
        DeleteSelection();
    }
    QString t = text();
    int c = cursorPosition();
    const int d = PositionOf(t, m_seps.Decimal);
    const int e = PositionOf(t, QLatin1Char('E'));
    const bool exponentSign = e > 0 && t.mid(e, 1) == QLatin1String("-");
    if (t.startsWith(QLatin1Char('-')) && c == 0)
        c = 1;
    if (exponentSign && c == e)
        c = e + 1;

    if (ch == QLatin1Char('-')) {
        if (e > 0 && c >= e) {
            if (exponentSign) {
                t.remove(e, 1);
                c -= c > e ? 1 : 0;
            } else {
                t.insert(e, QLatin1Char('-'));
                ++c;
            }
        } else if (t.startsWith(QLatin1Char('-'))) {
            t.remove(0, 1);
            c = std::max(0, c - 1);
        } else {
            t.prepend(QLatin1Char('-'));
            ++c;
        }
        SetTextAndCaret(t, c);
        return;
    }
    if (ch == m_seps.Decimal) {
        if (d > 0) {
            setCursorPosition(d);
            return;
        }
        if (!RoomForOneMore()) {
            RefuseKey();
            return;
        }
        int at = m_decimals == -1 ? (e > 0 ? e - 1 : int(t.size())) : c;
        if (e > 0 && at >= e)
            at = e - 1; // never inside the exponent
        t.insert(at, m_seps.Decimal);
        SetTextAndCaret(t, at + 1);
        return;
    }
    if (ch == QLatin1Char('E')) {
        if (e > 0) {
            setCursorPosition(e);
            return;
        }
        if (!RoomForOneMore()) {
            RefuseKey();
            return;
        }
        t.append(QLatin1Char('E'));
        SetTextAndCaret(t, int(t.size()));
        return;
    }

    // A digit. A lone leading zero (of the number or of the exponent) is replaced.
    int replace = -1;
    const int expDigits = e > 0 ? e + (exponentSign ? 1 : 0) : -1; // index of the first digit
    if (t.startsWith(QLatin1String("-0")) && c <= 2 && (e == 0 || c < e))
        replace = 1;
    else if (t.startsWith(QLatin1Char('0')) && c <= 1)
        replace = 0;
    else if (e > 0 && c == expDigits && t.mid(expDigits, 1) == QLatin1String("0"))
        replace = expDigits;

    if (e > 0 && c >= e) {
        const QString before = t.mid(expDigits, c - expDigits);
        const QString after = t.mid(replace == c ? c + 1 : c);
        if (std::abs((before + ch + after).toLongLong()) > 4932 ||
            (before + ch + after).size() > 6) {
            RefuseKey();
            return;
        }
    } else if (m_decimals >= 1 && d > 0 && c >= d) {
        if (c >= d + m_decimals) {
            RefuseKey(); // after the last decimal there is room for none
            return;
        }
        if (c < t.size() && IsDigit(t[c]))
            replace = c; // typing overwrites decimals
    }
    if (replace < 0 && !RoomForOneMore()) {
        RefuseKey();
        return;
    }
    if (replace >= 0) {
        t[replace] = ch;
        c = replace + 1;
    } else {
        t.insert(c, ch);
        ++c;
    }
    SetTextAndCaret(t, c);
}

void TPBNumEdit::DeleteChar(bool backspace)
{
    QString t = text();
    const int c = cursorPosition();
    const int len = int(t.size());
    const int d = PositionOf(t, m_seps.Decimal);
    const int e = t.contains(QLatin1Char('E')) ? PositionOf(t, QLatin1Char('E')) : len + 1;
    auto separator = [&](int i) {
        return t[i] == QLatin1Char('E') || t[i] == m_seps.Decimal || t[i] == m_seps.Thousands;
    };
    int i = backspace ? c - 1 : c;
    if (i < 0 || i >= len)
        return;
    if (separator(i))
        i += backspace ? -1 : 1;
    if (i < 0 || i >= len || separator(i))
        return;
    const int pos = i + 1;
    const int firstDigit = t.startsWith(QLatin1Char('-')) ? 1 : 0;
    auto onlyIntegerDigit = [&] {
        return i == firstDigit &&
               (i + 1 == len || t[i + 1] == m_seps.Decimal || t[i + 1] == QLatin1Char('E'));
    };
    int caret = i;
    if (d > 0 && pos > d && pos < e) {
        // A decimal: the others move left and a zero keeps their count.
        t.remove(i, 1);
        if (m_decimals > 0)
            t.insert(e - 2, QLatin1Char('0'));
    } else if (i == 0 && t[0] == QLatin1Char('-')) {
        t.remove(0, 1);
        if (t.isEmpty())
            t = QStringLiteral("0");
    } else if (onlyIntegerDigit() && IsDigit(t[i])) {
        t[i] = QLatin1Char('0');
        caret = i + 1;
    } else {
        t.remove(i, 1);
        if ((m_format == TNumberFormat::Scientific || m_format == TNumberFormat::Engineering) &&
            t.endsWith(QLatin1Char('E')))
            t.append(QLatin1Char('0'));
    }
    SetTextAndCaret(t, caret);
}

void TPBNumEdit::DeleteSelection()
{
    if (!hasSelectedText())
        return;
    const QString selected = selectedText();
    if (selected == text()) {
        SetTextAndCaret(FormatValue(0), 0);
        return;
    }
    const int end = selectionStart() + int(selected.size());
    deselect();
    setCursorPosition(end);
    // Separators stay; each other character is taken back from the end of the selection.
    int count = 0;
    for (QChar c : selected)
        count += c == m_seps.Thousands || c == m_seps.Decimal || c == QLatin1Char('E') ? 0 : 1;
    for (int k = 0; k < count; ++k)
        DeleteChar(true);
}

void TPBNumEdit::KeepThousands(int key)
{
    if (m_format != TNumberFormat::Thousands || hasSelectedText())
        return;
    const QString t = text();
    QString f;
    try {
        f = FormatValue(Value());
    } catch (const Exception&) {
        return;
    }
    const auto oldCount = t.count(m_seps.Thousands), newCount = f.count(m_seps.Thousands);
    const bool enterOrSpace = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    if (oldCount == newCount && t.indexOf(m_seps.Thousands) == f.indexOf(m_seps.Thousands) &&
        !enterOrSpace)
        return;
    if (f == t)
        return;
    int c = cursorPosition() + int(newCount - oldCount);
    const bool had = t.contains(m_seps.Decimal), has = f.contains(m_seps.Decimal);
    c += !had && has ? 1 : (had && !has ? -1 : 0);
    c = std::clamp(c, 0, int(f.size()));
    if (c < f.size() && f[c] == m_seps.Thousands)
        ++c;
    SetTextAndCaret(f, c);
}

bool TPBNumEdit::PressDefaultButtons()
{
    QWidget* form = window();
    const int start = selectionStart(), length = int(selectedText().size());
    const QPointer<TPBNumEdit> self(this);
    int pressed = 0;
    for (QPushButton* b : form->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!b->isDefault() || !b->isEnabled())
            continue;
        b->setFocus();
        b->click();
        ++pressed;
        if (!self)
            return true; // the button closed the window
    }
    if (pressed > 0) {
        setFocus();
        if (m_autoSelect)
            selectAll();
        else if (length > 0)
            setSelection(start, length);
    }
    return pressed > 0;
}

void TPBNumEdit::InvalidEntry()
{
    if (OnInvalidEntry) {
        OnInvalidEntry(this);
        return;
    }
    const long double v = Value();
    SetValue(v < m_min ? m_min : m_max);
    Beep();
    QTimer::singleShot(0, this, [this] { setFocus(); });
}

// ---- events ----

void TPBNumEdit::keyPressEvent(QKeyEvent* e)
{
    const int key = e->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (window() == this) {
            QLineEdit::keyPressEvent(e);
            return;
        }
        if (!PressDefaultButtons())
            Beep();
        return;
    }
    if (e->matches(QKeySequence::Copy)) {
        CopyToClipboard();
        return;
    }
    if (e->matches(QKeySequence::Cut)) {
        if (!isReadOnly())
            CutToClipboard();
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        if (!isReadOnly())
            PasteFromClipboard();
        return;
    }
    if (e->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
        m_enteredByMouse = false;
        if (isReadOnly())
            return;
        if (hasSelectedText())
            DeleteSelection();
        else
            DeleteChar(key == Qt::Key_Backspace);
        return;
    }
    m_enteredByMouse = false;
    const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (!e->text().isEmpty() && e->text()[0].isPrint() && mods == Qt::NoModifier) {
        for (QChar c : e->text())
            KeyPress(c);
        return;
    }
    // Moving the caret is all the edit itself may do; every other key goes to the window
    // (Tab, Escape, shortcuts), so no built-in editing key can change the number.
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        QLineEdit::keyPressEvent(e);
        return;
    default:
        e->ignore();
    }
}

void TPBNumEdit::keyReleaseEvent(QKeyEvent* e)
{
    QLineEdit::keyReleaseEvent(e);
    KeepThousands(e->key());
}

void TPBNumEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    m_enteredByMouse = QApplication::mouseButtons() & Qt::LeftButton;
    if (m_autoSelect)
        selectAll();
}

void TPBNumEdit::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    // A menu or another window taking the focus is no leaving of the control.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    long double v = 0;
    try {
        v = Value();
    } catch (const Exception&) {
        return; // a text the program set: left as it is
    }
    SetValue(v);
    if ((m_min != 0 || m_max != 0) && (v < m_min || v > m_max)) {
        InvalidEntry();
        return;
    }
    emit Exited();
}

void TPBNumEdit::mousePressEvent(QMouseEvent* e)
{
    const bool reselect = e->button() == Qt::LeftButton && m_enteredByMouse;
    if (reselect)
        m_enteredByMouse = false;
    QLineEdit::mousePressEvent(e);
    // The click that gave the focus leaves the whole number selected, not a caret.
    if (reselect && m_autoSelect)
        selectAll();
}

void TPBNumEdit::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::MiddleButton)
        return; // the selection paste would bypass the key filter
    QLineEdit::mouseReleaseEvent(e);
}

void TPBNumEdit::inputMethodEvent(QInputMethodEvent* e)
{
    for (QChar c : e->commitString())
        KeyPress(c);
    e->accept();
}

void TPBNumEdit::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu(this);
    const bool writable = !isReadOnly();
    menu.addAction(QStringLiteral("剪切(&T)"), this, &TPBNumEdit::CutToClipboard)
        ->setEnabled(writable && hasSelectedText());
    menu.addAction(QStringLiteral("复制(&C)"), this, &TPBNumEdit::CopyToClipboard)
        ->setEnabled(hasSelectedText());
    menu.addAction(QStringLiteral("粘贴(&P)"), this, &TPBNumEdit::PasteFromClipboard)
        ->setEnabled(writable);
    menu.addSeparator();
    menu.addAction(QStringLiteral("全选(&A)"), this, &QLineEdit::selectAll);
    menu.exec(e->globalPos());
}

// ---- clipboard ----

void TPBNumEdit::CopyToClipboard()
{
    if (hasSelectedText())
        SetClipboardText(StripThousands(selectedText()));
}

void TPBNumEdit::CutToClipboard()
{
    if (!hasSelectedText())
        return;
    CopyToClipboard();
    DeleteSelection();
}

void TPBNumEdit::RefuseKey()
{
    ++m_refusedKeys;
    if (!m_pasting)
        Beep();
}

// The pasted characters go through the key filter as typed ones do, but all or none: a text
// the filter would take only in part (a letter, a second point, a decimal too many, a digit
// past the length) would leave another number than the one pasted.
void TPBNumEdit::PasteFromClipboard()
{
    const std::optional<QString> keys = PastedKeys(ClipboardText(), m_seps);
    const QString before = text();
    const int caret = cursorPosition();
    const int refused = m_refusedKeys;
    if (keys) {
        m_pasting = true;
        DeleteSelection();
        for (QChar c : *keys)
            KeyPress(c);
        m_pasting = false;
    }
    if (keys && m_refusedKeys == refused)
        return;
    SetTextAndCaret(before, caret);
    Beep();
    QToolTip::showText(mapToGlobal(rect().bottomLeft()),
                       QStringLiteral("粘贴的内容“%1”不能作为这里的数值，没有粘贴。")
                           .arg(ClipboardText().trimmed().left(40)),
                       this);
}

QChar FoldNumberChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0xFF10 && u <= 0xFF19) // full-width digits
        return QChar(char16_t(u'0' + (u - 0xFF10)));
    if (u == 0xFF0E) // full-width full stop
        return QLatin1Char('.');
    if (u == 0xFF0C) // full-width comma
        return QLatin1Char(',');
    if (u == 0xFF0D || u == 0x2212) // full-width hyphen, minus sign
        return QLatin1Char('-');
    return c;
}

std::optional<QString> PastedKeys(const QString& text, const TFloatSeparators& seps)
{
    QString folded;
    for (QChar c : text.trimmed())
        folded += FoldNumberChar(c);
    // The decimal separator once at most, the thousands separators only between groups of three
    // digits before it; these go, the rest is for the key filter.
    if (folded.count(seps.Decimal) > 1)
        return std::nullopt;
    const qsizetype point = folded.indexOf(seps.Decimal);
    QString whole = point < 0 ? folded : folded.left(point);
    if (whole.contains(seps.Thousands)) {
        const QStringList groups = whole.split(seps.Thousands);
        for (qsizetype i = 1; i < groups.size(); ++i)
            if (groups[i].size() != 3)
                return std::nullopt;
        const QString first =
            groups.first().startsWith(QLatin1Char('-')) ? groups.first().mid(1) : groups.first();
        if (first.isEmpty() || first.size() > 3)
            return std::nullopt;
        whole.remove(seps.Thousands);
    }
    const QString keys = point < 0 ? whole : whole + folded.mid(point);
    if (keys.isEmpty() || keys.contains(seps.Thousands))
        return std::nullopt;
    for (qsizetype i = 1; i < keys.size(); ++i) // a minus first, or for the exponent
        if (keys[i] == QLatin1Char('-') && keys[i - 1].toUpper() != QLatin1Char('E'))
            return std::nullopt;
    return keys;
}
