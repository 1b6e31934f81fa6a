#pragma once
// A grid's first column held in place while the others scroll sideways: a second view of the same
// rows lying over the grid's left edge, showing only that column, sharing the grid's model and
// selection and following its vertical scrolling.

#include <QTableView>

class TFixedColumn : public QTableView {
    Q_OBJECT
public:
    explicit TFixedColumn(QTableView *grid);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void HideOtherColumns();
    void FollowGrid();

    QTableView *FGrid;
};
