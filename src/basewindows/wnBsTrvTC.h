#pragma once
// The tree-plus-two-panes child window layout.

#include "basewindows/wnBsCld.h"

class QFrame;
class QSplitter;
class TTreeView;

// The tree-plus-two-panes layout: a tree on the left, two message-lined panes on the right.
class TfrmBsTrvTC : public TfrmBsCld
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrmBsTrvTC(QObject* owner);

    QFrame* pnlBottom;
    QFrame* pnlLeft;
    TTreeView* trvList;
    QSplitter* Splitter1;
    QFrame* pnlNo;
    QSplitter* Splitter2;
    QFrame* pnlBTop;
    QFrame* pnlRightTop;
    QFrame* pnlTopMessage;
    QFrame* pnlBBotton;
    QFrame* pnlRightBottom;
    QFrame* pnlBottonMessage;
};
