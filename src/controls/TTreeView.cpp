#include "controls/TTreeView.h"

#include <QHeaderView>

TTreeView::TTreeView(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemExpanded, this, &TTreeView::Expanded);
}

void TTreeView::Expanded(QTreeWidgetItem* node)
{
    if (m_refusing || !OnExpanding)
        return;
    bool allow = true;
    OnExpanding(this, node, allow);
    if (!allow) {
        m_refusing = true;
        node->setExpanded(false);
        m_refusing = false;
    }
}
