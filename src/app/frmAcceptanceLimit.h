#pragma once
// The acceptance limit dialog: whether readings above a salt limit are marked and counted, and the
// limit in mg/m² (a project's salt limit, such as 20 or 50).

#include "model/BatchStatistics.h"

#include <QDialog>

class QCheckBox;
class QSpinBox;

class TfrmAcceptanceLimit : public QDialog {
    Q_OBJECT
public:
    TfrmAcceptanceLimit(TAcceptanceLimit limit, QWidget *parent = nullptr);

    // The limit as the dialog shows it; off while the box is not ticked.
    TAcceptanceLimit Limit() const;

    QCheckBox *chkLimit;
    QSpinBox *iedtLimit;
};
