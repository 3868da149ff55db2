#pragma once
// The budget-item selection dialog: the item tree with search fields.

#include "selectdialogs/gwnSelectElement.h"

class QComboBox;
class QLabel;
class QLineEdit;

// The search fields over the item tree.
struct TItemSearchFields {
    QFrame* Panel8 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* edtIid = nullptr;
    QComboBox* cmbDKId = nullptr;
    QLineEdit* edtIName = nullptr;
};

// Budget items as a tree, narrowed by code prefix, part of the name and data kind; any node
// may be confirmed.
class TgfrmSelectIid : public TgfrmSelectElement, private TItemSearchFields
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TgfrmSelectIid(QObject* owner);

    const TItemSearchFields& SearchFields() const { return *this; }
    bool Chosen(QString& id, QString& name, QString& fullName) const override;

    void SetFilter(const QString& condition) { FItemFilter = condition; }
    void cmbDKIdChange();
    // Raises TExceptDynamicTree with the reason when the items cannot be read.
    void RefreshTree();
    // The tree source of the present search fields.
    QString BuildItemQuery() const;
    void btnConfirmClick() override;
    void btnCloseClick() override;

protected:
    void FormCreate() override;
    void FormShow() override;

private:
    QString FItemFilter;
    bool FItemConfirmed = false;
    QString FItemId;
    QString FItemName;
    QString FItemFullName;
};

// Shows the items allowed by the mode ("0", "1", "2"), the unit, the pid flag, the year (0:
// working year) and the secrecy; true with the chosen item, false (texts emptied) when
// cancelled. The tree is read before the dialog shows: when it cannot be read, TExceptDynamicTree
// ("无法读取预算项目：" and the reason) is raised and no dialog appears.
bool SelectItem(QString& id, QString& name, QString& fullName, const QString& unitCode,
                const QString& mode, const QString& pidFlag, int year, const QString& secrecy);
