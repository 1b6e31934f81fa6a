#pragma once
// A floating hint for main-menu entries: shown beside the mouse pointer 500 ms after an entry is
// selected, hidden 2500 ms after the selection.

#include <QLabel>
#include <QPointer>

class QAction;
class QTimer;

class TMenuItemHint : public QLabel {
    Q_OBJECT
public:
    explicit TMenuItemHint(QWidget *owner);

    // The hint text of a menu entry, kept with the entry.
    static void SetHint(QAction *item, const QString &hint);
    static QString HintOf(const QAction *item);

    void ShowForItem(QAction *item);
    void OnShowTimer();
    void OnHideTimer();

    QTimer &ShowTimer() { return *FShowTimer; }
    QTimer &HideTimer() { return *FHideTimer; }
    QAction *Item() const { return FItem; }

private:
    QTimer *FShowTimer;
    QTimer *FHideTimer;
    QPointer<QAction> FItem;
};
