#pragma once
// The element selection dialog: any element kind as a lazily loaded tree.

#include "basewindows/wnBsDialog.h"

#include <QString>

class QFrame;
class QPushButton;
class TDynamicTree;
class TTreeView;

// Shows the tree of one element kind and gives back the chosen element; with LeafOnly it
// insists on a bottom-level one.
class TgfrmSelectElement : public TfrmBsDialog
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TgfrmSelectElement(QObject* owner);

    QFrame* Panel1;
    QFrame* Panel2;
    QFrame* Panel3;
    QFrame* Panel4;
    QFrame* Panel5;
    QFrame* Panel6;
    QFrame* Panel7;
    TTreeView* trvBottom;
    QPushButton* btnConfirm;
    QPushButton* btnClose;
    TDynamicTree* dtrvElement;

    int FPreselectDepth = 0;
    bool FConfirmed = false;
    bool FLeafOnly = false;
    QString FElementCaption;
    QString FSelId;
    QString FSelName;
    QString FSelFullName;

    virtual void btnConfirmClick();
    virtual void btnCloseClick();

protected:
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
