#pragma once
// The find bar over a grid: text, column, whole cell or part, next and previous.

#include <QWidget>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;
class TGridSearch;
class TNextGrid;

// A small bar over a grid that finds rows by a text: Enter or F3 the next, Shift+F3 the
// previous (round the ends), the row selected and scrolled to, "第 k 个，共 n 个" shown.
// Escape closes the bar and gives the focus back to the grid; it never reaches the window.
// A long list is searched in steps between the window's events: the nearest match is shown
// at once and the count follows.
class TFindBar : public QWidget
{
    Q_OBJECT
public:
    // F3 and Shift+F3 work anywhere in shortcutScope (the grid's window part).
    TFindBar(TNextGrid* grid, QWidget* shortcutScope, QWidget* parent);
    ~TFindBar() override;

    // Shows the bar with its columns (every visible one, or one) and the text selected.
    void Open();
    void Close();
    // Goes to the next (previous) matching row; false when there is none.
    bool FindNext(bool backwards = false);
    // How long one step of a search may hold the window, and how many rows the nearest
    // match is looked for in while the search goes on.
    void SetSearchSteps(int budgetMs, int nearRows);

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
    void Forget();
    void FillColumns();
    void SearchOn();
    bool Step(bool backwards);
    void GoTo(int row);
    // "第 at+1 个，共 n 个", or only the count when the current row is no match (at -1).
    void ShowCount(int at);

    TNextGrid* m_grid;
    std::vector<int> m_rows;               // the matching rows as shown
    bool m_valid = false;                  // m_rows belongs to the text, column and grid of now
    std::unique_ptr<TGridSearch> m_search; // a search going on between events
    QTimer* m_searchTimer;
    int m_pending = 0; // a step asked for before the search ended: 1 next, -1 previous
    int m_budgetMs = 15;
    int m_nearRows = 10000;
};
