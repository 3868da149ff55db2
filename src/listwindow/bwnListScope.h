#pragma once
// What the list window lists: the unit chosen in the tree and the filters' codes.

#include "listwindow/bwnListControls.h"
#include "listwindow/bwnQuindleList.h"

#include <QString>
#include <functional>

class QGroupBox;
class QRadioButton;
class QTreeWidgetItem;
class QWidget;
class TTreeView;

// The unit and the filters of the list window, read from its controls at the moments the
// operator's choices take effect, and a summary group's narrower restrictions.
class TListScope
{
public:
    TListScope(const TListControls& ui, TTreeView* tree);

    // The operator's unit (a department's prefix when it has many units).
    void Start(bool fewUnits);
    // The filters' lists as the window first shows them (and the unit tree).
    void FillFilters();
    bool FewUnits() const { return m_fewUnits; }

    const QString& UnitCode() const { return m_unitCode; }
    const QString& UnitName() const { return m_unitName; }
    const QString& BTypeIndex() const { return m_bTypeIndex; }
    // The codes chosen in the money kind and source lists now.
    QString MoneyKindCode() const;
    QString SourceCode() const;
    // The list's restriction as chosen now.
    ListFilter Filter() const;
    // The rule for adding holds (unit ending in 001, money kind and source chosen); worked out
    // again by UpdateAddRule.
    bool AddRuleMet() const { return m_addRuleMet; }
    void UpdateAddRule();

    // The operator's choices; each is followed by reading the list again.
    void TypeChanged();
    void SourceChanged();
    // False for no node (a tree cleared or rebuilt): nothing to list then.
    bool UnitChosen(QTreeWidgetItem* node);
    void BuildUnitTree();
    void UpdateSubTypePanel();

    // A summary's group: its filters and unit chosen, its narrower restrictions kept until the
    // operator's own choice clears them.
    void ShowGroup(const ListFilter& filter, const QString& unitName, const QString& caption);
    void ClearGroup();
    const QString& GroupCaption() const { return m_groupCaption; }

private:
    void ApplyType(bool chooseFirstSource);

    const TListControls& m_ui;
    TTreeView* m_tree;
    bool m_fewUnits = false;
    bool m_addRuleMet = false;
    QString m_unitCode;
    QString m_unitName;
    QString m_bTypeIndex;
    ListFilter m_group; // only its narrower restrictions count
    QString m_groupCaption;
};

// The choice between the units entered for others (chosen at first) and all units, in a box of
// its own; `chosen` runs when the operator picks the other one (a click on the one already
// chosen changes nothing).
QGroupBox* UnitChoiceBox(QWidget* parent, QRadioButton* (&items)[2],
                         const std::function<void()>& chosen);

// What every list of this session shares: the working year and the operator's bureau rule. The
// list and the summary start from it, so they always read the same indicators.
ListFilter OperatorListFilter();

class TDynamicTree;
// The unit a node of the unit tree stands for (the top node: the operator's three-character
// prefix and unit name); code and name stay as they were for a node without one.
void UnitOfNode(const TTreeView* tree, QTreeWidgetItem* node, QString& code, QString& name);
// Makes the unit's node the current one without the tree telling anyone (none when it is not
// in the tree).
void SelectUnitNode(TTreeView* tree, const QString& code);
// Fills the tree with the operator's units (only those entered for others when asked), the
// virtual top node "预算单位" first.
void SetUpUnitTree(TDynamicTree* tree, TTreeView* view, bool entrustedOnly);
// FillMoneyKinds' list type for a budget source and the chosen unit: 0 for source 21 of a
// department-level operator's own unit (or the top node), else 1.
int MoneyKindListType(const QString& sourceCode, const QString& selectedUnit);
