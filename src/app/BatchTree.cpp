#include "app/BatchTree.h"

#include "model/Batches.h"

#include <QHeaderView>

TBatchTree::TBatchTree(TBatches &batches, const QString &rootCaption, QWidget *parent)
    : QTreeWidget(parent)
    , FBatches(&batches)
{
    setHeaderHidden(true);
    setIndentation(19);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMinimumSize(50, 50);
    setContextMenuPolicy(Qt::CustomContextMenu);
    // A long batch name widens the tree's one column and brings a horizontal scroll bar; it is never cut.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    addTopLevelItem(new QTreeWidgetItem(QStringList{rootCaption}));
}

QTreeWidgetItem *TBatchTree::Root() const
{
    return topLevelItem(0);
}

QTreeWidgetItem *TBatchTree::AddBatchNode(TBatch &batch, const QString &caption)
{
    auto *node = new QTreeWidgetItem(QStringList{caption});
    FBatchOfNode.insert(node, &batch);
    Root()->addChild(node);
    return node;
}

TBatch *TBatchTree::BatchOf(const QTreeWidgetItem *node) const
{
    TBatch *batch = FBatchOfNode.value(node);
    return batch && FBatches->Contains(batch) ? batch : nullptr;
}

QList<TBatch *> TBatchTree::Batches() const
{
    QList<TBatch *> out;
    for (int i = 0; i < Root()->childCount(); ++i)
        if (TBatch *b = BatchOf(Root()->child(i)))
            out << b;
    return out;
}

void TBatchTree::RemoveBatchNode(QTreeWidgetItem *node)
{
    FBatches->Delete(BatchOf(node));
    RemoveNode(node);
}

void TBatchTree::RemoveAllBatchNodes()
{
    while (Root()->childCount() > 0)
        RemoveBatchNode(Root()->child(0));
}

void TBatchTree::RemoveNode(QTreeWidgetItem *node)
{
    FBatchOfNode.remove(node);
    delete node;
}
