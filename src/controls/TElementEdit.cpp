#include "controls/TElementEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QValidator>
#include <algorithm>

namespace
{
// Drops every character but digits and "." from what reaches the edit; full-width ones (an
// input method's) are taken as their half-width forms.
class TCodeValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        QString kept;
        int newPos = pos;
        for (qsizetype i = 0; i < input.size(); ++i) {
            QChar c = input[i];
            if ((c >= QChar(0xFF10) && c <= QChar(0xFF19)) || c == QChar(0xFF0E))
                c = QChar(c.unicode() - 0xFEE0);
            if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.'))
                kept += c;
            else if (i < pos)
                --newPos;
        }
        input = kept;
        pos = std::max(0, newPos);
        return Acceptable;
    }
};
} // namespace

TElementEdit::TElementEdit(QWidget* parent) : QLineEdit(parent), m_digits(new TCodeValidator(this))
{
}

void TElementEdit::SetCode(const QString& code)
{
    m_code = code;
    if (hasFocus())
        setText(code);
}

void TElementEdit::EditCode(const QString& code)
{
    m_code = code;
    setValidator(m_digits);
    setText(code);
    setFocus();
}

void TElementEdit::SetName(const QString& name)
{
    m_name = name;
    if (!hasFocus())
        setText(Shown());
}

// Not editing: the name, or the code itself while it has no name.
QString TElementEdit::Shown() const
{
    return m_name.isEmpty() ? m_code : m_name;
}

void TElementEdit::focusInEvent(QFocusEvent* e)
{
    if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason) {
        setValidator(m_digits);
        setText(m_code);
    }
    QLineEdit::focusInEvent(e);
}

void TElementEdit::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    // A menu or another window taking the focus is no leaving.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    m_code = text().trimmed();
    setValidator(nullptr);
    setText(Shown());
    emit Left();
}

void TElementEdit::keyPressEvent(QKeyEvent* e)
{
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && (e->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        emit PickRequested();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void TElementEdit::mouseDoubleClickEvent(QMouseEvent* e)
{
    QLineEdit::mouseDoubleClickEvent(e);
    emit PickRequested();
}
