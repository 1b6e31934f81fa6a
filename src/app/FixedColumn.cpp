#include "app/FixedColumn.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>

TFixedColumn::TFixedColumn(QTableView *grid)
    : QTableView(grid)
    , FGrid(grid)
{
    setObjectName(QStringLiteral("FixedColumn"));
    setModel(grid->model());
    setSelectionModel(grid->selectionModel());
    setSelectionBehavior(grid->selectionBehavior());
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(grid->wordWrap());
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(grid->verticalScrollMode());
    // The grid's pop-up menu serves the column too.
    setContextMenuPolicy(Qt::NoContextMenu);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(grid->verticalHeader()->defaultSectionSize());
    verticalHeader()->setMinimumSectionSize(grid->verticalHeader()->minimumSectionSize());
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setDefaultAlignment(grid->horizontalHeader()->defaultAlignment());
    horizontalHeader()->setSectionsClickable(false);

    connect(grid->model(), &QAbstractItemModel::columnsInserted, this, &TFixedColumn::HideOtherColumns);
    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (column == 0)
            FollowGrid();
    });
    connect(grid->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, grid->verticalScrollBar(), &QScrollBar::setValue);
    // The grid's viewport shrinks when its horizontal scroll bar shows.
    grid->viewport()->installEventFilter(this);
    grid->horizontalHeader()->installEventFilter(this);
    HideOtherColumns();
    FollowGrid();
}

void TFixedColumn::HideOtherColumns()
{
    for (int c = 0; c < model()->columnCount(); ++c)
        setColumnHidden(c, c != 0);
    FollowGrid();
}

void TFixedColumn::FollowGrid()
{
    horizontalHeader()->setFixedHeight(FGrid->horizontalHeader()->height());
    setColumnWidth(0, FGrid->columnWidth(0));
    const int frame = FGrid->frameWidth();
    setGeometry(frame + FGrid->verticalHeader()->width() * FGrid->verticalHeader()->isVisible(), frame,
                FGrid->columnWidth(0), FGrid->viewport()->height() + FGrid->horizontalHeader()->height());
    verticalScrollBar()->setValue(FGrid->verticalScrollBar()->value());
}

bool TFixedColumn::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize)
        FollowGrid();
    return QTableView::eventFilter(watched, event);
}
