#include "dialogs/frmConfiguration.h"

#include "device/Communication.h"
#include "device/MeasurementSettings.h"
#include "dialogs/ConnectWarnings.h"
#include "dialogs/NumericEdit.h"
#include "dialogs/Placement.h"
#include "dialogs/frmCalcTempCoef.h"
#include "model/Conversions.h"
#include "model/DeviceInfo.h"
#include "model/Prompts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>

namespace {

template <class Field> Field *NewField(Prompts &prompts, QWidget *parent)
{
    auto *f = new Field(prompts, parent);
    f->SetAlignment(Qt::AlignRight);
    f->setFixedWidth(57);
    return f;
}

// One row of a settings group: caption, field and unit.
void AddRow(QGridLayout *grid, int row, const QString &caption, QWidget *field, const QString &unit)
{
    QWidget *parent = grid->parentWidget();
    grid->addWidget(new QLabel(caption, parent), row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(new QLabel(unit, parent), row, 2);
}

// The record with the settings as the meter keeps them once written: the compensation factor in
// thousandths.
std::shared_ptr<TDeviceInfo> WithSettings(const TDeviceInfo &record, const TMeasurementSettings &s,
                                          bool validationFluid)
{
    auto out = std::make_shared<TDeviceInfo>(record);
    if (validationFluid) {
        out->G25 = static_cast<double>(s.G25);
        out->Alpha = s.Alpha;
    }
    out->DeionizedWater = static_cast<quint8>(s.DeionizedWater);
    out->AutoTempComp = static_cast<double>(RoundHalfEven(s.AutoTempComp / 100 * 1000)) / 1000;
    return out;
}

} // namespace

TfrmConfiguration::TfrmConfiguration(TdmCommunication &communication, Prompts &prompts, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , gpbValidationFluid(new QGroupBox(QStringLiteral("Validation Fluid"), this))
    , iedtValue25Deg(NewField<TIntEdit>(prompts, gpbValidationFluid))
    , fedtTempCoeff(NewField<TFloatEdit>(prompts, gpbValidationFluid))
    , btnCalculate(new QPushButton(QStringLiteral("C&alculate"), gpbValidationFluid))
    , gpbDeionizedWater(new QGroupBox(QStringLiteral("Deionized Water"), this))
    , iedtCondWater(NewField<TIntEdit>(prompts, gpbDeionizedWater))
    , fedtAutoTempCor(NewField<TFloatEdit>(prompts, gpbDeionizedWater))
    , btnRead(new QPushButton(QStringLiteral("&Read"), this))
    , btnWrite(new QPushButton(QStringLiteral("&Write"), this))
    , btnclose(new QPushButton(QStringLiteral("&Close"), this))
    , FCommunication(communication)
    , FPrompts(prompts)
    , FStatus(new QLabel(this))
{
    setWindowTitle(QStringLiteral("  Measurement Settings"));
    setModal(true);
    btnCalculate->setToolTip(QStringLiteral("Calculates temperature coefficient from two fluid conductivity values."));

    auto *fluid = new QGridLayout(gpbValidationFluid);
    AddRow(fluid, 0, QStringLiteral("Conductivity @ 25°C/77°F"), iedtValue25Deg, QStringLiteral("µS/cm"));
    AddRow(fluid, 1, QStringLiteral("Temperature Coefficient"), fedtTempCoeff, QStringLiteral("%/°C"));
    fluid->addWidget(btnCalculate, 2, 1, 1, 2);
    fluid->setColumnStretch(0, 1);

    auto *water = new QGridLayout(gpbDeionizedWater);
    AddRow(water, 0, QStringLiteral("Conductivity deionized water"), iedtCondWater, QStringLiteral("µS/cm"));
    AddRow(water, 1, QStringLiteral("Compensation Factor"), fedtAutoTempCor, QStringLiteral("%/°C"));
    water->setColumnStretch(0, 1);
    // Both groups line their fields up in the same columns.
    const int unitWidth = fontMetrics().horizontalAdvance(QStringLiteral("µS/cm")) + 4;
    fluid->setColumnMinimumWidth(2, unitWidth);
    water->setColumnMinimumWidth(2, unitWidth);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnRead);
    buttons->addWidget(btnWrite);
    buttons->addStretch();
    buttons->addWidget(btnclose);

    auto *statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    statusBar->addWidget(FStatus, 1);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(9, 9, 9, 6);
    body->setSpacing(6);
    body->addWidget(gpbValidationFluid);
    body->addWidget(gpbDeionizedWater);
    body->addSpacing(4);
    body->addLayout(buttons);
    // Hiding the group takes the group and one spacing away: exactly the reduction the dialog has
    // without it.
    gpbValidationFluid->setFixedHeight(ValidationFluidHeight - body->spacing());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(body);
    layout->addWidget(statusBar);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnRead, &QPushButton::clicked, this, &TfrmConfiguration::btnReadClick);
    connect(btnWrite, &QPushButton::clicked, this, &TfrmConfiguration::btnWriteClick);
    connect(btnCalculate, &QPushButton::clicked, this, &TfrmConfiguration::btnCalculateClick);
    connect(btnclose, &QPushButton::clicked, this, &QDialog::reject);
    CentreOverParent(*this);
}

void TfrmConfiguration::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmConfiguration::FormShow()
{
    if (btnRead->isEnabled())
        btnReadClick();
    if (!FShowValidationFluid)
        gpbValidationFluid->hide(); // the fixed-size layout makes the dialog 111 pixels lower
}

QString TfrmConfiguration::StatusText() const
{
    return FStatus->text();
}

void TfrmConfiguration::SetStatus(const QString &text)
{
    FStatus->setText(text);
}

TMeasurementSettings TfrmConfiguration::FieldValues() const
{
    TMeasurementSettings s;
    if (FShowValidationFluid) {
        s.G25 = iedtValue25Deg->Value();
        s.Alpha = static_cast<double>(fedtTempCoeff->Value());
    }
    s.DeionizedWater = iedtCondWater->Value();
    s.AutoTempComp = static_cast<double>(fedtAutoTempCor->Value());
    return s;
}

void TfrmConfiguration::ShowValues(const TMeasurementSettings &s)
{
    if (FShowValidationFluid) {
        fedtTempCoeff->SetValue(s.Alpha);
        iedtValue25Deg->SetValue(s.G25);
    }
    iedtCondWater->SetValue(s.DeionizedWater);
    fedtAutoTempCor->SetValue(s.AutoTempComp);
}

void TfrmConfiguration::btnReadClick()
{
    SetStatus(QString());
    // Values not read because the meter failed half-way keep what the fields showed.
    TMeasurementSettings s = FieldValues();
    try {
        ReadMeasurementSettings(FCommunication, FShowValidationFluid, s);
    } catch (const std::exception &) {
        ShowValues(s);
        SetStatus(QStringLiteral("  Reading Measurement Settings Failed!"));
        WarnCommunicationProblem(FPrompts);
        FCommunication.Disconnect();
        return;
    }
    ShowValues(s);
    if (isVisible())
        SetStatus(QStringLiteral("  The Measurement Settings are read!"));
}

void TfrmConfiguration::btnWriteClick()
{
    SetStatus(QString());
    const TMeasurementSettings s = FieldValues();
    if (const QString problem = CheckMeasurementSettings(s, FShowValidationFluid); !problem.isEmpty()) {
        FPrompts.Message(TMsgKind::Warning, problem, TMsgButtons::Ok);
        return;
    }
    try {
        WriteMeasurementSettings(FCommunication, s, FShowValidationFluid);
    } catch (const std::exception &) {
        WarnCommunicationProblem(FPrompts);
        FCommunication.Disconnect();
        return;
    }
    SetStatus(QStringLiteral("  The Measurement Settings are written!"));
    if (OnWritten)
        OnWritten(s);
}

void TfrmConfiguration::btnCalculateClick()
{
    SetStatus(QString());
    try {
        const qint64 g25 = iedtValue25Deg->Value();
        if (const QString problem = CheckFluidConductivity(g25); !problem.isEmpty()) {
            FPrompts.Message(TMsgKind::Plain, problem, TMsgButtons::Ok);
            return;
        }
        const double alpha = static_cast<double>(fedtTempCoeff->Value());
        TfrmCalcTempCoef calculator(FPrompts, this);
        calculator.iedtConductivity1->SetValue(g25);
        calculator.iedtTemp2->SetValue(20);
        // The conductivity that the current coefficient predicts at 20 °C.
        calculator.iedtConductivity2->SetValue(RoundHalfEven(static_cast<double>(g25) * alpha / 100 * -5 + g25));
        calculator.fedtTempCoef->SetValue(alpha);
        if (calculator.exec() == QDialog::Accepted) {
            fedtTempCoeff->SetValue(calculator.fedtTempCoef->Value());
            SetStatus(QStringLiteral("  Temperature Cofficient calculated."));
        }
    } catch (const std::exception &e) {
        HandleAppException(FPrompts, e);
    }
}

void ShowMeasurementSettings(TdmCommunication &communication, std::shared_ptr<TDeviceInfo> &deviceInfo,
                             Prompts &prompts, QWidget *parent, const std::function<void()> &recordReplaced)
{
    const auto replace = [&](std::shared_ptr<TDeviceInfo> record) {
        deviceInfo = std::move(record);
        if (recordReplaced)
            recordReplaced();
    };
    if (!communication.Connected()) {
        try {
            if (!communication.Connect(true))
                WarnNotConnected(prompts);
            if (!deviceInfo->Valid && communication.Connected())
                replace(communication.ReadDeviceInfo()); // the old record goes only once the new one is read
        } catch (const std::exception &e) {
            WarnConnectProblem(prompts, e);
        }
    }
    TfrmConfiguration dialog(communication, prompts, parent);
    dialog.btnRead->setEnabled(communication.Connected());
    dialog.btnWrite->setEnabled(communication.Connected());
    dialog.FShowValidationFluid = !deviceInfo->IsNewerFirmware();
    // An empty record stays empty: it is read whole when next needed.
    dialog.OnWritten = [&](const TMeasurementSettings &s) {
        if (deviceInfo->Valid)
            replace(WithSettings(*deviceInfo, s, dialog.FShowValidationFluid));
    };
    dialog.exec();
}
