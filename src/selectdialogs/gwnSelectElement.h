#pragma once
// The element selection dialog: any element kind as a lazily loaded tree.

#include "basewindows/wnBsDialog.h"

#include <QString>

class QFrame;
class QPushButton;
class TDynamicTree;
class TTreeView;

// The selection dialog's controls, under the names its callers know.
struct TSelectTreeControls {
    QFrame* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QFrame* Panel3 = nullptr;
    QFrame* Panel4 = nullptr;
    QFrame* Panel5 = nullptr;
    QFrame* Panel6 = nullptr;
    QFrame* Panel7 = nullptr;
    TTreeView* trvBottom = nullptr;
    QPushButton* btnConfirm = nullptr;
    QPushButton* btnClose = nullptr;
    TDynamicTree* dtrvElement = nullptr;
};

// Shows the tree of one element kind and gives back the chosen element; with LeafOnly it
// insists on a bottom-level one.
class TgfrmSelectElement : public TfrmBsDialog, protected TSelectTreeControls
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TgfrmSelectElement(QObject* owner);

    const TSelectTreeControls& Controls() const { return *this; }
    // The kind's caption, how many levels are opened at first, whether only a bottom-level
    // element may be chosen.
    void Prepare(const QString& caption, int preselectDepth, bool leafOnly);
    // True with the element chosen; false when the dialog was cancelled.
    virtual bool Chosen(QString& id, QString& name, QString& fullName) const;

    virtual void btnConfirmClick();
    virtual void btnCloseClick();

protected:
    int FPreselectDepth = 0;
    bool FConfirmed = false;
    bool FLeafOnly = false;
    QString FElementCaption;
    QString FSelId;
    QString FSelName;
    QString FSelFullName;

    void FormShow() override;
    // Selects a node; a placeholder first loads its level and gives way to its first element.
    void SelectNode(class QTreeWidgetItem* node);
};

// The dialog of the running selection (set for the duration of the call).
extern TgfrmSelectElement* gfrmSelectElement;

// Shows an element tree built from the source; true with the chosen element, false (and the
// three texts emptied) when cancelled. A tree that cannot be built raises TExceptDynamicTree.
bool ShowElementDialog(const QString& source, const QString& caption, const QString& topId,
                       int preselectDepth, bool leafOnly, QString& id, QString& name,
                       QString& fullName);
// The kind named by the table; false, texts untouched, when it is no element kind.
bool SelectElement(const QString& tableName, QString& id, QString& name, QString& fullName,
                   bool leafOnly, bool inUse, int year, const QString& extraCondition);
bool SelectDept(QString& id, QString& name, QString& fullName, bool leafOnly, bool inUse, int year);
// Budget subjects by the subject rules of the year, expenditure type and money kind.
bool SelectSubject(QString& id, QString& name, QString& fullName, bool leafOnly, bool inUse,
                   int year, const QString& incomePayCode, const QString& moneyKindCode,
                   const QString& extraCondition);
