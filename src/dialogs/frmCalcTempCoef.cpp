#include "dialogs/frmCalcTempCoef.h"

#include "dialogs/NumericEdit.h"
#include "dialogs/Placement.h"
#include "model/Conversions.h"
#include "model/Prompts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

// A field the user reads but does not type into: greyed, skipped by Tab.
void MakeShownOnly(QLineEdit *field)
{
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    QPalette p = field->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    field->setPalette(p);
}

} // namespace

TfrmCalcTempCoef::TfrmCalcTempCoef(Prompts &prompts, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , iedtTemp1(new TIntEdit(prompts, this))
    , iedtConductivity1(new TIntEdit(prompts, this))
    , iedtTemp2(new TIntEdit(prompts, this))
    , iedtConductivity2(new TIntEdit(prompts, this))
    , fedtTempCoef(new TFloatEdit(prompts, this))
    , btnCalculate(new QPushButton(QStringLiteral("&Calculate"), this))
    , btnOk(new QPushButton(QStringLiteral("&Ok"), this))
    , btnCancel(new QPushButton(QStringLiteral("&Cancel"), this))
    , FPrompts(prompts)
{
    setWindowTitle(QStringLiteral("  Temperature Coefficient Calculator"));
    setModal(true);
    iedtTemp1->SetValue(25);
    for (QLineEdit *f : std::initializer_list<QLineEdit *>{iedtTemp1, iedtConductivity1, fedtTempCoef})
        MakeShownOnly(f);
    for (QLineEdit *f :
         std::initializer_list<QLineEdit *>{iedtTemp1, iedtConductivity1, iedtTemp2, iedtConductivity2, fedtTempCoef}) {
        f->setAlignment(Qt::AlignRight);
        f->setFixedWidth(49);
    }

    auto *grid = new QGridLayout;
    auto label = [this](const char *text) { return new QLabel(QString::fromUtf8(text), this); };
    grid->addWidget(label("Conductivity @ "), 0, 0);
    grid->addWidget(iedtTemp1, 0, 1);
    grid->addWidget(label(" °C"), 0, 2);
    grid->addWidget(iedtConductivity1, 0, 3);
    grid->addWidget(label("µS/cm"), 0, 4);
    grid->addWidget(label("Conductivity @ "), 1, 0);
    grid->addWidget(iedtTemp2, 1, 1);
    grid->addWidget(label(" °C"), 1, 2);
    grid->addWidget(iedtConductivity2, 1, 3);
    grid->addWidget(label("µS/cm"), 1, 4);
    grid->addWidget(label("Temperature Coefficient"), 2, 0, 1, 3);
    grid->addWidget(fedtTempCoef, 2, 3);
    grid->addWidget(label("%/°C"), 2, 4);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnCalculate);
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    btnOk->setDefault(true);
    connect(btnCalculate, &QPushButton::clicked, this, &TfrmCalcTempCoef::btnCalculateClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmCalcTempCoef::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(iedtTemp2, iedtConductivity2);
    CentreOverParent(*this);
}

void TfrmCalcTempCoef::Calculate()
{
    const qint64 c1 = iedtConductivity1->Value();
    const qint64 t1 = iedtTemp1->Value();
    const qint64 c2 = iedtConductivity2->Value();
    const qint64 t2 = iedtTemp2->Value();
    const double perDegree = Divide(static_cast<double>(c2 - c1), static_cast<double>(t2 - t1));
    fedtTempCoef->SetValue(Divide(perDegree, static_cast<double>(c1)) * 100);
}

void TfrmCalcTempCoef::btnCalculateClick()
{
    try {
        Calculate();
    } catch (const std::exception &e) {
        HandleAppException(FPrompts, e);
    }
}

void TfrmCalcTempCoef::btnOkClick()
{
    // The coefficient handed back belongs to the values shown, even if they were changed after the
    // last calculation; one that cannot be computed leaves the one shown before.
    btnCalculateClick();
    accept();
}
