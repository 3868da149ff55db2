#pragma once
// The list window's size, whether it was maximised and the unit tree's pane, per operator.

#include "listwindow/bwnListControls.h"

class TfrmBsTrvTC;

class TListLayout
{
public:
    TListLayout(TfrmBsTrvTC* window, const TListControls& ui);

    // The size and the tree's width as the operator left them.
    void Restore();
    // Maximised again when it was closed so (at its first show).
    void RestoreMaximised();
    void Save();
    // 显示/关闭单位树 and the tree's own hide button.
    void ToggleTree();
    void HideTree();
    // The hide button stays at the tree pane's right edge.
    void SplitterMoved(int pos);

private:
    TfrmBsTrvTC* m_window;
    const TListControls& m_ui;
};
