// The entry dialog's form: its controls where the design puts them, and the tab order.
#include "entrydialog/rwnInputEdit.h"

#include "controls/PBNumEdit.h"
#include "controls/TElementEdit.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{
template <class T> T* Place(QWidget* parent, const char* name, int x, int y, int width)
{
    auto* w = new T(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(x, y, width, 22);
    return w;
}

// A caption to the left of its control.
QLabel* Caption(QWidget* parent, const char* name, const QString& text, QWidget* control)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(control->x() - 66, control->y() + 2, 62, 18);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setBuddy(control);
    return l;
}

QComboBox* List(QWidget* parent, const char* name, int x, int y, int width)
{
    auto* c = Place<QComboBox>(parent, name, x, y, width);
    c->setEditable(false); // a list: choosing only, no typing
    return c;
}
} // namespace

void TrfrmInputEdit::BuildForm()
{
    setObjectName(QStringLiteral("rfrmInputEdit"));
    setWindowTitle(QStringLiteral("预算指标录入"));
    setFixedSize(449, 325); // a fixed dialog border

    cmbBType = List(this, "cmbBType", 77, 17, 140);
    cmbBType->setEnabled(false);
    Label4 = Caption(this, "Label4", QStringLiteral("指标类型"), cmbBType);
    plChild = new QFrame(this);
    plChild->setObjectName(QStringLiteral("plChild"));
    plChild->setGeometry(222, 14, 217, 25);
    cmbChild = List(plChild, "cmbChild", 71, 3, 140);
    cmbChild->addItems({QStringLiteral("年初预算"), QStringLiteral("调整追加预算")});
    cmbChild->setCurrentIndex(0);
    Label2 = Caption(plChild, "Label2", QStringLiteral("指标子类型"), cmbChild);

    edtEid = Place<QLineEdit>(this, "edtEid", 78, 50, 355);
    edtEid->setEnabled(false);
    labEid = Caption(this, "labEid", QStringLiteral("单位编码"), edtEid);
    cmbmid = List(this, "cmbmid", 78, 84, 140);
    cmbmid->setEnabled(false);
    labmid = Caption(this, "labmid", QStringLiteral("资金性质"), cmbmid);
    cmbbkid = List(this, "cmbbkid", 294, 84, 140);
    cmbbkid->setEnabled(false);
    labbkid = Caption(this, "labbkid", QStringLiteral("预算来源"), cmbbkid);
    cmbipid = List(this, "cmbipid", 78, 119, 140);
    labipid = Caption(this, "labipid", QStringLiteral("支出类型"), cmbipid);
    cmbSecret = List(this, "cmbSecret", 294, 119, 140);
    Label3 = Caption(this, "Label3", QStringLiteral("涉密标识"), cmbSecret);
    edtFileName = Place<QLineEdit>(this, "edtFileName", 78, 152, 140);
    lblFileName = Caption(this, "lblFileName", QStringLiteral("指标文号"), edtFileName);
    plBureaux = new QFrame(this);
    plBureaux->setObjectName(QStringLiteral("plBureaux"));
    plBureaux->setGeometry(237, 148, 196, 33);
    plBureaux->hide();
    cmbBurId = List(plBureaux, "cmbBurId", 57, 5, 140);
    lblBurId = Caption(plBureaux, "lblBurId", QStringLiteral("业务处室"), cmbBurId);

    edtbid = Place<TElementEdit>(this, "edtbid", 78, 185, 355);
    lblBid = Caption(this, "lblBid", QStringLiteral("功能分类"), edtbid);
    edtiid = Place<TElementEdit>(this, "edtiid", 78, 218, 355);
    labiid = Caption(this, "labiid", QStringLiteral("预算项目"), edtiid);
    pbedtMoney = Place<TPBNumEdit>(this, "pbedtMoney", 78, 250, 211);
    pbedtMoney->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pbedtMoney->SetMaxLength(17);
    pbedtMoney->SetNumberFormat(TPBNumEdit::TNumberFormat::Thousands);
    pbedtMoney->SetDecimals(2);
    pbedtMoney->SetValue(0);
    labMoney = Caption(this, "labMoney", QStringLiteral("指标金额"), pbedtMoney);
    cbUnit = List(this, "cbUnit", 296, 250, 57);
    cbUnit->addItems({QStringLiteral("元"), QStringLiteral("万元")});
    cbUnit->setCurrentIndex(0);

    btnOK->move(262, 289);
    btnClose->move(351, 289);
    // Below the visible client area, as designed, and so out of the Tab chain: nobody can see
    // what is typed there.
    edtmemo = Place<QLineEdit>(this, "edtmemo", 62, 494, 148);
    edtmemo->setFocusPolicy(Qt::ClickFocus);
    Label20 = Caption(this, "Label20", QStringLiteral("备    注"), edtmemo);
    BuildTabOrder();
}

void TrfrmInputEdit::BuildTabOrder()
{
    QWidget* order[] = {edtEid,    cmbmid,      cmbipid,  edtbid,   pbedtMoney, btnOK,
                        btnClose,  edtmemo,     edtiid,   cmbBurId, cbUnit,     cmbbkid,
                        cmbSecret, edtFileName, cmbBType, cmbChild};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}
