#pragma once
// The element edit: an element's code while it is edited, its name otherwise.

#include <QLineEdit>

// Shows the element's name while it has no focus and its code while the operator edits it.
// Only digits and "." reach the code, whatever the route (typing, paste, drop, input method).
// A double-click or Ctrl+Enter asks for the element to be picked from a list.
class TElementEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TElementEdit(QWidget* parent = nullptr);

    QString Code() const { return m_code; }
    // The code shown while editing (the text too, when the edit has the focus).
    void SetCode(const QString& code);
    // Takes a code picked for the edit: shown for editing, with the focus.
    void EditCode(const QString& code);
    QString Name() const { return m_name; }
    // The name shown while not editing (the text too, when the edit has no focus); a code
    // without a name shows itself.
    void SetName(const QString& name);

signals:
    // The operator left the edit; Code() holds what was typed, trimmed.
    void Left();
    // A double-click or Ctrl+Enter: pick the element from a list.
    void PickRequested();

protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    QString Shown() const;
    QString m_code;
    QString m_name;
    class QValidator* m_digits;
};
