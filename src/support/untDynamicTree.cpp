#include "support/untDynamicTree.h"

#include "controls/TTreeView.h"
#include "platform/untApplication.h"
#include "support/untQueryThread.h"

namespace
{
TItemInfoClass DefaultInfoClass()
{
    return [] { return new TItemInfo; };
}
} // namespace

TNodeItem::~TNodeItem()
{
    // Children go first, so that their payloads and pending entries go with them.
    qDeleteAll(takeChildren());
    if (Info) {
        if (Info->Kind == ikPlaceholder && PendingList)
            PendingList->removeAll(this);
        delete Info;
        Info = nullptr;
    }
}

TDynamicTree::TDynamicTree(QObject* owner) : QObject(owner)
{
    SyncDataLoad = true;
    ResetProperties();
}

TDynamicTree::~TDynamicTree()
{
    Deactivate();
    CutThreadsLoose(); // also when the tree view went first and left the tree inactive
    QObject::disconnect(m_connWatch);
    QObject::disconnect(m_treeWatch);
}

void TDynamicTree::ResetProperties()
{
    TopVirNodeIdValue.clear();
    m_topTitle.clear();
    SqlTable.clear();
    m_fieldId.clear();
    FieldPid.clear();
    FieldIsLeaf.clear();
    ValueIsLeaf.clear();
    FieldCaption.clear();
    FieldText.clear();
    FieldOrderBy.clear();
    SetAdoConn(nullptr);
    SetTreeView(nullptr);
    Deactivate();
    m_loadAll = false;
    m_autoExpand = aekTitleNode;
}

void TDynamicTree::SetTopVirNodeTitle(const QString& title)
{
    if (title == m_topTitle)
        return;
    const bool wasActive = m_active;
    Deactivate();
    m_topTitle = title;
    SetActive(wasActive);
}

void TDynamicTree::SetFieldId(const QString& field)
{
    m_fieldId = field;
    FieldOrderBy = field;
}

void TDynamicTree::SetAdoConn(TAdoConn* conn)
{
    if (conn == m_conn)
        return;
    Deactivate();
    QObject::disconnect(m_connWatch);
    m_conn = conn;
    if (conn)
        m_connWatch = connect(conn, &QObject::destroyed, this, [this] { SetAdoConn(nullptr); });
}

void TDynamicTree::SetTreeView(TTreeView* tree)
{
    if (tree == m_tree)
        return;
    const bool wasActive = m_active;
    Deactivate();
    QObject::disconnect(m_treeWatch);
    m_tree = tree;
    if (tree) {
        m_treeWatch = connect(tree, &QObject::destroyed, this, [this] {
            m_active = false;
            m_tree = nullptr;
            m_pendingNodes.clear(); // the view freed every node
            CutThreadsLoose();
        });
        SetActive(wasActive);
    }
}

void TDynamicTree::SetActive(bool active)
{
    if (active == m_active)
        return;
    if (active)
        Activate();
    else
        Deactivate();
}

void TDynamicTree::CheckProperties() const
{
    const QString missing = QStringLiteral("没有指定%1属性值！");
    if (!m_tree)
        throw TExceptDynamicTree(missing.arg("TreeView"));
    if (!m_conn)
        throw TExceptDynamicTree(missing.arg("AdoConn"));
    if (!m_conn->Connected())
        throw TExceptDynamicTree(QStringLiteral("指定的AdoConnection没有打开！"));
    const std::pair<const char*, QString> fields[] = {
        {"SqlTable", SqlTable.join(QLatin1Char('\n'))},
        {"FieldId", m_fieldId},
        {"FieldPid", FieldPid},
        {"FieldIsLeaf", FieldIsLeaf},
        {"FieldCaption", FieldCaption},
        {"FieldText", FieldText}};
    for (const auto& [name, value] : fields)
        if (value.trimmed().isEmpty())
            throw TExceptDynamicTree(missing.arg(QLatin1String(name)));
}

void TDynamicTree::Activate()
{
    CheckProperties();
    m_oldOnExpanding = m_tree->OnExpanding;
    m_tree->OnExpanding = [this](TTreeView* sender, QTreeWidgetItem* node, bool& allow) {
        TreeViewExpanding(sender, node, allow);
    };
    m_active = true;
    BuildTopNode();
}

void TDynamicTree::Deactivate()
{
    if (!m_active)
        return;
    m_active = false;
    CutThreadsLoose();
    if (m_tree) {
        m_tree->OnExpanding = m_oldOnExpanding;
        m_tree->clear();
    }
    m_oldOnExpanding = nullptr;
}

// A running thread neither builds nodes nor calls back once cut loose; it frees itself.
void TDynamicTree::CutThreadsLoose()
{
    while (!m_threads.isEmpty()) {
        TQueryThread* t = m_threads.takeLast();
        t->Terminate();
        t->OnDataReady = nullptr;
        t->OnTerminate = nullptr;
        t->OnError = nullptr;
    }
}

bool TDynamicTree::CanWork()
{
    const bool ok = m_active && m_conn && m_tree && !(Application && Application->Terminated()) &&
                    m_conn->Connected();
    if (!ok)
        Deactivate();
    return ok;
}

bool TDynamicTree::Attach(TNodeItem* node, TNodeItem* parent, const QString& text)
{
    if (!CanWork()) {
        delete node;
        return false;
    }
    node->setText(0, text);
    if (parent)
        parent->addChild(node);
    else
        m_tree->addTopLevelItem(node);
    return true;
}

void TDynamicTree::BuildTopNode()
{
    m_tree->clear();
    auto* node = new TNodeItem;
    TItemInfoClass cls = DefaultInfoClass();
    try {
        if (OnBeforAddNode)
            OnBeforAddNode(this, nullptr, node, cls);
        node->Info = cls();
    } catch (...) {
        delete node;
        throw;
    }
    try {
        TItemInfo* info = node->Info;
        info->Kind = ikVirtualTop;
        info->Node = node;
        info->Id = TopVirNodeIdValue;
        info->ParentId = QStringLiteral("★");
        info->Caption = QStringLiteral("^_^");
        info->IsLeaf = false;
        const QString text = node->text(0).trimmed().isEmpty() ? m_topTitle : node->text(0);
        if (!Attach(node, nullptr, text))
            return;
        if (OnAfterAddNode)
            OnAfterAddNode(this, nullptr, node, info);
        LoadChildren(node);
        AutoExpand();
    } catch (...) {
        // The half-built tree goes; the caller learns why (a tree that cannot be built
        // must not look like an empty one).
        if (m_tree && m_tree->indexOfTopLevelItem(node) >= 0)
            delete node;
        throw;
    }
}

QString TDynamicTree::ChildrenSql(const QString& parentId) const
{
    QString sql = "select a.* from (" + SqlTable.join(QLatin1Char('\n')).trimmed() +
                  ") a where a." + FieldPid.trimmed() + "='" + SqlText(parentId) + "'";
    if (!FieldOrderBy.trimmed().isEmpty())
        sql += " Order by a." + FieldOrderBy.trimmed();
    return sql;
}

void TDynamicTree::LoadChildren(TNodeItem* node)
{
    if (!CanWork() || !node || !node->Info)
        return;
    if (node->childCount() > 0)
        qDeleteAll(node->takeChildren());
    const QString sql = ChildrenSql(node->Info->Id);
    node->ChildrenLoaded = true;
    if (SyncDataLoad) {
        TIntfPtr<TARQuery> query = TARQuery::Open(m_conn, sql); // errors pass to the caller
        TARQuery* ds = query->Dataset();
        ++m_loadDepth;
        for (ds->First(); !ds->Eof() && CanWork(); ds->Next())
            AddNodeFromRecord(node, nullptr, ds);
        --m_loadDepth;
        ReportDroppedRows();
        return;
    }
    auto* thread = new TQueryThread(true, m_conn, sql);
    m_threads.append(thread);
    thread->OnTerminate = [this](TQueryThread* t) { ThreadTerminated(t); };
    thread->OnDataReady = [this](TQueryThread* t, TARQuery* ds) { ThreadDataReady(t, ds); };
    thread->OnError = [this](TQueryThread* t, const QString& error) {
        if (!t->Terminated() && CanWork())
            Report(QStringLiteral("树节点的下级无法读取：%1").arg(error));
    };
    thread->Node = node;
    if (!CanWork())
        thread->Terminate();
    thread->Resume();
}

void TDynamicTree::ThreadDataReady(TQueryThread* thread, TARQuery* ds)
{
    if (thread->Terminated() || !CanWork())
        return;
    for (ds->First(); !ds->Eof() && !thread->Terminated(); ds->Next()) {
        AddNodeFromRecord(nullptr, thread, ds);
        if (!CanWork())
            return;
    }
    ReportDroppedRows();
}

void TDynamicTree::NoteDroppedRow(const QString& error)
{
    if (m_droppedRows++ == 0)
        m_firstDropError = error;
    ++m_droppedTotal;
}

void TDynamicTree::ReportDroppedRows()
{
    if (m_loadDepth > 0 || m_droppedRows == 0)
        return;
    const QString message =
        QStringLiteral("有%1条记录无法显示在树中：%2").arg(m_droppedRows).arg(m_firstDropError);
    m_droppedRows = 0;
    m_firstDropError.clear();
    Report(message);
}

void TDynamicTree::Report(const QString& message)
{
    if (Application)
        Application->HandleException(this, TExceptDynamicTree(message));
}

void TDynamicTree::ThreadTerminated(TQueryThread* thread)
{
    if (CanWork())
        m_threads.removeAll(thread);
}

void TDynamicTree::AddNodeFromRecord(TNodeItem* parent, TQueryThread* thread, TARQuery* fields)
{
    if (!CanWork() || (thread && thread->Terminated()))
        return;
    auto* node = new TNodeItem;
    TItemInfoClass cls = DefaultInfoClass();
    try {
        if (OnBeforAddNode)
            OnBeforAddNode(this, fields, node, cls);
        node->Info = cls();
    } catch (const std::exception& e) {
        delete node;
        NoteDroppedRow(QString::fromUtf8(e.what()));
        return;
    }
    if (thread)
        parent = thread->Node;
    if (!parent || !parent->Info) {
        delete node;
        if (CanWork() && (!thread || !thread->Terminated()))
            throw TExceptDynamicTree(QStringLiteral("节点信息丢失！"));
        return;
    }
    try {
        TItemInfo* info = node->Info;
        info->Kind = ikData;
        info->Node = node;
        info->Id = fields->FieldByName(m_fieldId).AsString();
        info->ParentId = fields->FieldByName(FieldPid).AsString();
        info->Caption = fields->FieldByName(FieldCaption).AsString();
        info->IsLeaf = fields->FieldByName(FieldIsLeaf).AsString() == ValueIsLeaf;
        QString text = node->text(0);
        if (text.trimmed().isEmpty())
            text = !FieldText.isEmpty() ? fields->FieldByName(FieldText).AsString()
                                        : info->Caption + "(" + info->Id + ")";
        if (!Attach(node, parent, text))
            return;
        if (parent->ExpandPending) {
            parent->ExpandPending = false;
            parent->setExpanded(true);
        }
        if (OnAfterAddNode)
            OnAfterAddNode(this, fields, node, info);
        if (info->IsLeaf) {
            node->ChildrenLoaded = true;
        } else if (m_loadAll) {
            LoadChildren(node);
        } else {
            auto* placeholder = new TNodeItem;
            placeholder->Info = cls();
            placeholder->Info->Kind = ikPlaceholder;
            placeholder->Info->Node = placeholder;
            m_pendingNodes.append(placeholder);
            placeholder->PendingList = &m_pendingNodes;
            if (!Attach(placeholder, node, QStringLiteral("【】")))
                return;
            AutoExpand();
        }
        AutoExpand();
    } catch (const std::exception& e) {
        delete node; // loading goes on with the next record; the row is reported afterwards
        NoteDroppedRow(QString::fromUtf8(e.what()));
    }
}

void TDynamicTree::TreeViewExpanding(TTreeView* sender, QTreeWidgetItem* item, bool& allow)
{
    if (m_oldOnExpanding)
        m_oldOnExpanding(sender, item, allow);
    auto* node = static_cast<TNodeItem*>(item);
    if (!allow || !node->Info || node->ChildrenLoaded)
        return;
    node->ExpandPending = true;
    try {
        LoadChildren(node);
    } catch (const std::exception& e) {
        if (Application)
            Application->HandleException(this, e);
    }
}

TNodeItem* TDynamicTree::FirstLeaf() const
{
    if (!m_tree || m_tree->topLevelItemCount() == 0)
        return nullptr;
    QTreeWidgetItem* n = m_tree->topLevelItem(0);
    while (n->childCount() > 0)
        n = n->child(0);
    return static_cast<TNodeItem*>(n);
}

void TDynamicTree::Select(TNodeItem* node)
{
    m_tree->setCurrentItem(node);
    node->AutoDone = true;
}

void TDynamicTree::AutoExpand()
{
    if (!m_tree || m_tree->topLevelItemCount() == 0)
        return;
    if (m_autoExpand == aekTitleNode) {
        auto* top = static_cast<TNodeItem*>(m_tree->topLevelItem(0));
        if (top->AutoDone || (top->isExpanded() && top->isSelected()))
            return;
        top->AutoDone = true;
        m_tree->setCurrentItem(top);
        top->setExpanded(true);
    } else if (m_autoExpand == aekFirstLeaf) {
        TNodeItem* leaf = FirstLeaf();
        if (!leaf || leaf->AutoDone || leaf->isSelected())
            return;
        if (!leaf->parent()) {
            Select(leaf);
            return;
        }
        QPointer<TTreeView> tree = m_tree;
        auto* p = static_cast<TNodeItem*>(leaf->parent());
        for (;;) {
            p->setExpanded(true); // loads a placeholder's real children
            if (!tree || !m_active || p->childCount() == 0)
                return;
            auto* c = static_cast<TNodeItem*>(p->child(0));
            c->setExpanded(true);
            if (!tree || !m_active)
                return;
            if (c->childCount() > 0) {
                p = c;
                continue;
            }
            if (!c->AutoDone && !c->isSelected())
                Select(c);
            return;
        }
    }
}

void TDynamicTree::SetLoadAll(bool loadAll)
{
    if (loadAll == m_loadAll)
        return;
    m_loadAll = loadAll;
    if (!loadAll)
        return;
    while (!m_pendingNodes.isEmpty()) {
        auto* parent = static_cast<TNodeItem*>(m_pendingNodes.first()->parent());
        if (!parent) {
            m_pendingNodes.removeFirst();
            continue;
        }
        const int before = m_pendingNodes.size();
        LoadChildren(parent);
        if (m_pendingNodes.size() >= before && !m_pendingNodes.isEmpty() &&
            m_pendingNodes.first()->parent() == parent)
            break; // could not load (inactive): stop instead of looping
    }
}

void TDynamicTree::SetAutoExpandKind(TAutoExpandKind kind)
{
    if (kind == m_autoExpand)
        return;
    m_autoExpand = kind;
    if (m_active)
        AutoExpand();
}
