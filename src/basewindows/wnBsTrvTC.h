#pragma once
// The tree-plus-two-panes child window layout.

#include "basewindows/wnBsCld.h"

class QFrame;
class QSplitter;
class TTreeView;

// The panes of the layout, under the names descendants and layout files use.
struct TTreePanes {
    QFrame* pnlBottom = nullptr;
    QFrame* pnlLeft = nullptr;
    TTreeView* trvList = nullptr;
    QSplitter* Splitter1 = nullptr;
    QFrame* pnlNo = nullptr;
    QSplitter* Splitter2 = nullptr;
    QFrame* pnlBTop = nullptr;
    QFrame* pnlRightTop = nullptr;
    QFrame* pnlTopMessage = nullptr;
    QFrame* pnlBBotton = nullptr;
    QFrame* pnlRightBottom = nullptr;
    QFrame* pnlBottonMessage = nullptr;
};

// The tree-plus-two-panes layout: a tree on the left, two message-lined panes on the right.
class TfrmBsTrvTC : public TfrmBsCld, protected TTreePanes
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrmBsTrvTC(QObject* owner);

    const TTreePanes& Panes() const { return *this; }
};
