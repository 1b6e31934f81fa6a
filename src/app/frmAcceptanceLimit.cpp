#include "app/frmAcceptanceLimit.h"

#include "dialogs/Placement.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

TfrmAcceptanceLimit::TfrmAcceptanceLimit(TAcceptanceLimit limit, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , chkLimit(new QCheckBox(QStringLiteral("&Mark and count readings above"), this))
    , iedtLimit(new QSpinBox(this))
{
    setWindowTitle(QStringLiteral("Acceptance Limit"));
    setModal(true);
    iedtLimit->setRange(MinAcceptanceLimit, MaxAcceptanceLimit);
    iedtLimit->setSuffix(QStringLiteral(" mg/m²"));
    // The limit a user most often starts from when none was set before.
    iedtLimit->setValue(limit.value_or(20));
    iedtLimit->setEnabled(limit.has_value());
    chkLimit->setChecked(limit.has_value());
    connect(chkLimit, &QCheckBox::toggled, iedtLimit, &QWidget::setEnabled);

    auto *row = new QHBoxLayout;
    row->addWidget(chkLimit);
    row->addWidget(iedtLimit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The Bresle value of each reading, or its surface density where the "
                                                "batch shows no Bresle value,\nis held against the limit; a reading "
                                                "at the limit passes."),
                                 this));
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    CentreOverParent(*this);
}

TAcceptanceLimit TfrmAcceptanceLimit::Limit() const
{
    return chkLimit->isChecked() ? TAcceptanceLimit(iedtLimit->value()) : std::nullopt;
}
