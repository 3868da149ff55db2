#pragma once
// The find bar over a grid: text, column, whole cell or part, next and previous.

#include <QWidget>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class TNextGrid;

// A small bar over a grid that finds rows by a text: Enter or F3 the next, Shift+F3 the
// previous (round the ends), the row selected and scrolled to, "第 k 个，共 n 个" shown.
// Escape closes the bar and gives the focus back to the grid; it never reaches the window.
class TFindBar : public QWidget
{
    Q_OBJECT
public:
    // F3 and Shift+F3 work anywhere in shortcutScope (the grid's window part).
    TFindBar(TNextGrid* grid, QWidget* shortcutScope, QWidget* parent);

    // Shows the bar with its columns (every visible one, or one) and the text selected.
    void Open();
    void Close();
    // Goes to the next (previous) matching row; false when there is none.
    bool FindNext(bool backwards = false);

    QLineEdit* edtFind;
    QComboBox* cobColumn;
    QCheckBox* chkWhole;
    QToolButton* btnNext;
    QToolButton* btnPrevious;
    QToolButton* btnClose;
    QLabel* labCount;

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void Forget() { m_valid = false; }
    void FillColumns();

    TNextGrid* m_grid;
    std::vector<int> m_rows; // the matching rows as shown
    bool m_valid = false;    // m_rows belongs to the text, column and grid of now
};
