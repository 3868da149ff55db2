#include "basewindows/wnBsTrvTC.h"

#include "controls/TTreeView.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QSplitter>
#include <QVBoxLayout>

namespace
{
QFrame* Panel(const char* name, QWidget* parent)
{
    auto* p = new QFrame(parent);
    p->setObjectName(QLatin1String(name));
    return p;
}
// A pane filled by `body` with a message line of `height` pixels at its bottom.
void StackWithMessage(QFrame* pane, QFrame* body, QFrame* message, int height)
{
    message->setFixedHeight(height);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(body, 1);
    layout->addWidget(message);
}
} // namespace

TfrmBsTrvTC::TfrmBsTrvTC(QObject* owner) : TfrmBsCld(owner)
{
    m_maximised = false;
    setWindowTitle(QString());
    QWidget* client = ClientArea();
    pnlBottom = Panel("pnlBottom", client);
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->addWidget(pnlBottom);

    Splitter1 = new QSplitter(Qt::Horizontal, pnlBottom);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    auto* bottomLayout = new QHBoxLayout(pnlBottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->addWidget(Splitter1);

    pnlLeft = Panel("pnlLeft", Splitter1);
    trvList = new TTreeView(pnlLeft);
    trvList->setObjectName(QStringLiteral("trvList"));
    trvList->setIndentation(19);
    auto* leftLayout = new QVBoxLayout(pnlLeft);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(trvList);

    pnlNo = Panel("pnlNo", Splitter1);
    Splitter1->addWidget(pnlLeft);
    Splitter1->addWidget(pnlNo);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({171, 400});

    Splitter2 = new QSplitter(Qt::Vertical, pnlNo);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(2);
    auto* noLayout = new QVBoxLayout(pnlNo);
    noLayout->setContentsMargins(0, 0, 0, 0);
    noLayout->addWidget(Splitter2);

    pnlBTop = Panel("pnlBTop", Splitter2);
    pnlRightTop = Panel("pnlRightTop", pnlBTop);
    pnlTopMessage = Panel("pnlTopMessage", pnlBTop);
    StackWithMessage(pnlBTop, pnlRightTop, pnlTopMessage, 23);
    pnlBBotton = Panel("pnlBBotton", Splitter2);
    pnlRightBottom = Panel("pnlRightBottom", pnlBBotton);
    pnlBottonMessage = Panel("pnlBottonMessage", pnlBBotton);
    StackWithMessage(pnlBBotton, pnlRightBottom, pnlBottonMessage, 22);
    Splitter2->addWidget(pnlBTop);
    Splitter2->addWidget(pnlBBotton);
    Splitter2->setSizes({149, 200});
}
