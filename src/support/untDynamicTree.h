#pragma once
// The data-bound tree: fills a tree view from an id/parent-id SQL source, level by level.

#include "context/untAdodbIsomer.h"
#include "controls/TTreeView.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTreeWidgetItem>
#include <functional>

class TNodeItem;
class TQueryThread;

enum TItemKind : quint8 { ikVirtualTop = 0, ikData = 1, ikPlaceholder = 2 };
enum TAutoExpandKind { aekNone = 0, aekTitleNode = 1, aekFirstLeaf = 2 };

// The payload of every node the tree adds.
class TItemInfo
{
public:
    virtual ~TItemInfo() = default;
    QString Caption;
    QString Id;
    QString ParentId;
    TNodeItem* Node = nullptr;
    TItemKind Kind = ikData;
    bool IsLeaf = false;
};

// Creates the payload: the "class reference" an OnBeforAddNode handler may replace.
using TItemInfoClass = std::function<TItemInfo*()>;

class TNodeItem : public QTreeWidgetItem
{
public:
    TNodeItem() = default;
    ~TNodeItem() override;
    TItemInfo* Info = nullptr; // owned
    QList<TNodeItem*>* PendingList = nullptr;
    bool ExpandPending = false;
    bool ChildrenLoaded = false;
    bool AutoDone = false;
};

class TExceptDynamicTree : public Exception
{
public:
    using Exception::Exception;
};

// Fills a tree view from an id/parent-id SQL source: a virtual top node, children loaded
// when a node is expanded (or all at once), a payload on every node.
class TDynamicTree : public QObject
{
    Q_OBJECT
public:
    using BeforAddNodeHandler = std::function<void(TDynamicTree* sender, TARQuery* fields,
                                                   TNodeItem* node, TItemInfoClass& cls)>;
    using AfterAddNodeHandler = std::function<void(TDynamicTree* sender, TARQuery* fields,
                                                   TNodeItem* node, TItemInfo* info)>;

    explicit TDynamicTree(QObject* owner = nullptr);
    ~TDynamicTree() override;

    QString TopVirNodeIdValue;
    QString TopVirNodeTitle() const { return m_topTitle; }
    void SetTopVirNodeTitle(const QString& title);
    BeforAddNodeHandler OnBeforAddNode;
    AfterAddNodeHandler OnAfterAddNode;
    QStringList SqlTable;
    QString FieldId() const { return m_fieldId; }
    void SetFieldId(const QString& field);
    QString FieldPid;
    QString FieldIsLeaf;
    QString ValueIsLeaf;
    QString FieldCaption;
    QString FieldText;
    QString FieldOrderBy;
    TAdoConn* AdoConn() const { return m_conn; }
    void SetAdoConn(TAdoConn* conn);
    TTreeView* TreeView() const { return m_tree; }
    void SetTreeView(TTreeView* tree);
    bool Active() const { return m_active; }
    // Raises TExceptDynamicTree when a property is missing; the tree then stays inactive.
    void SetActive(bool active);
    bool LoadAll() const { return m_loadAll; }
    void SetLoadAll(bool loadAll);
    TAutoExpandKind AutoExpandKind() const { return m_autoExpand; }
    void SetAutoExpandKind(TAutoExpandKind kind);
    bool SyncDataLoad = true;

    // True when the tree may touch the view and the database; deactivates it otherwise.
    bool CanWork();
    void CheckProperties() const;
    void LoadChildren(TNodeItem* node);
    int PendingCount() const { return int(m_pendingNodes.size()); }
    int RunningThreads() const { return int(m_threads.size()); }
    // Rows that could not be made into nodes since the tree was created (each load that drops
    // some reports them through the application's exception handler).
    int DroppedRows() const { return m_droppedTotal; }
    // The statement that reads the children of the node with this id.
    QString ChildrenSql(const QString& parentId) const;

private:
    void ResetProperties();
    void Activate();
    void Deactivate();
    void CutThreadsLoose();
    void BuildTopNode();
    void AddNodeFromRecord(TNodeItem* parent, TQueryThread* thread, TARQuery* fields);
    void TreeViewExpanding(TTreeView* sender, QTreeWidgetItem* node, bool& allow);
    void AutoExpand();
    TNodeItem* FirstLeaf() const;
    void Select(TNodeItem* node);
    void ThreadDataReady(TQueryThread* thread, TARQuery* dataSet);
    void ThreadTerminated(TQueryThread* thread);
    bool Attach(TNodeItem* node, TNodeItem* parent, const QString& text);
    void NoteDroppedRow(const QString& error);
    void ReportDroppedRows();
    void Report(const QString& message);

    QString m_topTitle;
    QString m_fieldId;
    QPointer<TAdoConn> m_conn;
    QPointer<TTreeView> m_tree;
    bool m_active = false;
    bool m_loadAll = false;
    TAutoExpandKind m_autoExpand = aekTitleNode;
    QList<TNodeItem*> m_pendingNodes;
    QList<TQueryThread*> m_threads;
    std::function<void(TTreeView*, QTreeWidgetItem*, bool&)> m_oldOnExpanding;
    QMetaObject::Connection m_connWatch;
    QMetaObject::Connection m_treeWatch;
    int m_loadDepth = 0;
    int m_droppedRows = 0;
    int m_droppedTotal = 0;
    QString m_firstDropError;
};
