#pragma once
// A tree view whose expansion can be refused.

#include <QTreeWidget>
#include <functional>

// A tree view with an expanding hook that may refuse the expansion.
class TTreeView : public QTreeWidget
{
    Q_OBJECT
public:
    using ExpandingHandler =
        std::function<void(TTreeView* sender, QTreeWidgetItem* node, bool& allow)>;
    explicit TTreeView(QWidget* parent = nullptr);
    ExpandingHandler OnExpanding;

private:
    void Expanded(QTreeWidgetItem* node);
    bool m_refusing = false;
};
