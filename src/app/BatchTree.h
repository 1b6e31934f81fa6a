#pragma once
// The batch tree: one root (the meter, or the file the batches came from) with a node per batch.
// The only code that knows how a node carries its batch.

#include <QHash>
#include <QList>
#include <QTreeWidget>

class TBatch;
class TBatches;

class TBatchTree : public QTreeWidget {
    Q_OBJECT
public:
    // batches: the list the nodes' batches belong to; it outlives the nodes.
    TBatchTree(TBatches &batches, const QString &rootCaption, QWidget *parent);

    QTreeWidgetItem *Root() const;
    // The list of the source the tree shows now; its nodes must all be gone.
    void SetBatches(TBatches &batches) { FBatches = &batches; }
    // A node under the root for batch, captioned caption.
    QTreeWidgetItem *AddBatchNode(TBatch &batch, const QString &caption);
    // The batch of node; nullptr for no node, the root, or a batch the list no longer holds.
    TBatch *BatchOf(const QTreeWidgetItem *node) const;
    // The batches of the root's nodes, in tree order.
    QList<TBatch *> Batches() const;
    // Deletes node's batch from the list, then the node.
    void RemoveBatchNode(QTreeWidgetItem *node);
    void RemoveAllBatchNodes();
    // Deletes only the node: for a node whose batch has already gone.
    void RemoveNode(QTreeWidgetItem *node);

private:
    TBatches *FBatches;
    // A node's batch is held here, never in the node's data, and looked up in the list before use.
    QHash<const QTreeWidgetItem *, TBatch *> FBatchOfNode;
};
