#include "controls/TTreeView.h"

#include <gtest/gtest.h>

TEST(TreeView, ExpandingHookMayRefuse)
{
    TTreeView tree;
    auto* top = new QTreeWidgetItem(&tree, {"top"});
    new QTreeWidgetItem(top, {"child"});
    int calls = 0;
    tree.OnExpanding = [&](TTreeView*, QTreeWidgetItem* node, bool& allow) {
        ++calls;
        allow = node->text(0) != "top";
    };
    top->setExpanded(true);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(top->isExpanded());
    tree.OnExpanding = nullptr;
    top->setExpanded(true);
    EXPECT_TRUE(top->isExpanded());
}
