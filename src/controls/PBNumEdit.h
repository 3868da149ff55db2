#pragma once
// The numeric amount edit: a one-line edit that only ever holds a number.

#include "platform/untFloatFormat.h"

#include <QLineEdit>
#include <functional>
#include <optional>

// Keeps its text a valid number while it is typed: fixed decimals, thousands grouping or the
// scientific and engineering forms, a caret that goes where typing makes sense, Enter for the
// window's default button, and a range checked when the operator leaves it. The separators
// are the user's locale's, read when the control is created.
class TPBNumEdit : public QLineEdit
{
    Q_OBJECT
public:
    enum class TNumberFormat { Standard, Thousands, Scientific, Engineering };

    explicit TPBNumEdit(QWidget* parent = nullptr);

    Qt::Alignment Alignment() const { return alignment(); }
    void SetAlignment(Qt::Alignment a) { setAlignment(a); }
    int Decimals() const { return m_decimals; }
    void SetDecimals(int decimals);
    long double MaxValue() const { return m_max; }
    void SetMaxValue(long double value);
    long double MinValue() const { return m_min; }
    void SetMinValue(long double value);
    TNumberFormat NumberFormat() const { return m_format; }
    void SetNumberFormat(TNumberFormat format);
    // Parses the text; raises Exception when it is not a number (only a program can set such).
    long double Value() const;
    void SetValue(long double value);
    // Limits what the operator types or pastes (thousands separators not counted); a text
    // set by the program is never cut. 0: no limit.
    int MaxLength() const { return m_maxLength; }
    void SetMaxLength(int length);
    bool AutoSelect() const { return m_autoSelect; }
    void SetAutoSelect(bool on) { m_autoSelect = on; }
    QString Version() const { return QStringLiteral("2.50.00.00"); }

    QString FormatValue(long double value) const;
    QString StripThousands(const QString& text) const;
    QChar DecimalSeparator() const { return m_seps.Decimal; }
    QChar ThousandsSeparator() const { return m_seps.Thousands; }

    // Replaces the clamping and the beep when the value left is out of range.
    std::function<void(TPBNumEdit*)> OnInvalidEntry;

    // Clipboard: copy and cut put the number without thousands separators on the clipboard;
    // paste feeds the clipboard's characters through the key filter one by one, all of them or
    // none (PastedKeys).
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    // One typed character through the key filter (what a key press and a paste do).
    void KeyPress(QChar key);

signals:
    // The operator left the control with a value in range.
    void Exited();
    // The operator changed the text (typing, deleting, cutting, pasting).
    void Typed();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;

private:
    bool PressDefaultButtons();
    void DeleteChar(bool backspace);
    void DeleteSelection();
    void KeepThousands(int key);
    void InvalidEntry();
    void Reformat();
    void SetTextAndCaret(const QString& text, int caret);
    // Whether inserting one more character stays within MaxLength.
    bool RoomForOneMore() const;
    // The key filter's refusal of a key: a beep, or during a paste a note that undoes it.
    void RefuseKey();

    TFloatSeparators m_seps;
    int m_decimals = -1;
    long double m_max = 0;
    long double m_min = 0;
    TNumberFormat m_format = TNumberFormat::Standard;
    int m_maxLength = 0;
    bool m_autoSelect = true;
    bool m_enteredByMouse = false;
    bool m_pasting = false;
    int m_refusedKeys = 0;
};

// A pasted text as keys for the filter: full-width digits, point, comma and minus folded, the
// thousands separators of a well-grouped number dropped; none when the text is no single number
// (a second decimal separator, a minus inside, separators out of place).
std::optional<QString> PastedKeys(const QString& text, const TFloatSeparators& separators);
// A full-width digit, point, comma or minus (and the minus sign) as its ASCII self.
QChar FoldNumberChar(QChar c);
