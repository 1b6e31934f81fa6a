#include "dialogs/frmTalvoProperties.h"

#include "dialogs/ConnectWarnings.h"
#include "dialogs/Placement.h"
#include "files/PropertiesSheet.h"
#include "files/SaveCommands.h"
#include "model/Batches.h"
#include "model/Conversions.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/Prompts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

TfrmTalvoProperties::TfrmTalvoProperties(TdmCommunication &communication, QString &lastSavePath, TStatusLine &status,
                                         Prompts &prompts, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , FDeviceInfo(std::make_shared<TDeviceInfo>())
    , btnSave(new QPushButton(QStringLiteral("&Save"), this))
    , btnClose(new QPushButton(QStringLiteral("&Close"), this))
    , FCommunication(communication)
    , FLastSavePath(lastSavePath)
    , FStatus(status)
    , FPrompts(prompts)
{
    setWindowTitle(QStringLiteral("  Talvo Properties "));
    setModal(true);
    auto *group = new QGroupBox(QStringLiteral("Properties"), this);
    FGrid = new QGridLayout(group);
    FGrid->setVerticalSpacing(3);
    FGrid->setHorizontalSpacing(6);

    AddRow(QStringLiteral("Serial Number"), QStringLiteral("lblSerialNumber"));
    AddRow(QStringLiteral("Software Version"), QStringLiteral("lblSoftwareVersion"));
    AddRow(QStringLiteral("Config Version"), QStringLiteral("lblConfigVersion"));
    AddRow(QStringLiteral("Servo Usage "), QStringLiteral("lblServoLT"), QStringLiteral("hours"));
    AddRow(QStringLiteral("Readings Since Validation"), QStringLiteral("lblReadingsSinceLastVal"));
    AddRow(QStringLiteral("Readings Since Service"), QStringLiteral("lblReadingsSinceLastService"));
    AddRow(QStringLiteral("Total number of Readings"), QStringLiteral("lblNrOfReadingsTaken"));
    AddRow(QStringLiteral("Validation Date"), QStringLiteral("lblValidationDate"));
    AddRow(QStringLiteral("Service Date"), QStringLiteral("lblServiceDate"));
    AddRow(QStringLiteral("Validation Fluid Conductivity"), QStringLiteral("lblG25"),
           QStringLiteral("µS/cm @ 25°C/77°F"), true);
    AddRow(QStringLiteral("Validation Fluid Temp. Coefficient"), QStringLiteral("lblAlpha"), QStringLiteral("%/°C"),
           true);
    AddRow(QStringLiteral("Conductivity Deionized Water"), QStringLiteral("lblDeionizedWater"),
           QStringLiteral("µS/cm"));
    AddRow(QStringLiteral("Compensation Factor"), QStringLiteral("lblAutoTempComp"), QStringLiteral("%/°C"));
    AddRow(QStringLiteral("Max. Clean Conductivity"), QStringLiteral("lblGClean"), QStringLiteral("µS/cm"));
    AddRow(QStringLiteral("Surface Density Conversion"), QStringLiteral("lblConversionFactor"),
           QStringLiteral("mg/m² per µS/cm "));
    AddRow(QStringLiteral("Kprop Meter"), QStringLiteral("lblKpropMeter"), {}, true);
    AddRow(QStringLiteral("Kprop Factory"), QStringLiteral("lblKpropDefault"), {}, true);
    for (int n = 1; n <= TCellConstants::Rows; ++n)
        AddRow(QStringLiteral("Kcell%1").arg(n), QStringLiteral("lblKcel%1").arg(n));
    // The value column is fixed: wide enough for a long serial number or firmware text.
    FGrid->setColumnMinimumWidth(2, fontMetrics().horizontalAdvance(QStringLiteral("0000000000000")));
    FGrid->setColumnStretch(3, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnSave, &QPushButton::clicked, this, &TfrmTalvoProperties::btnSaveClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    CentreOverParent(*this);
}

void TfrmTalvoProperties::AddRow(const QString &caption, const QString &name, const QString &unit, bool olderOnly)
{
    QWidget *group = FGrid->parentWidget();
    auto *value = new QLabel(group);
    value->setObjectName(name);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    TRow row{name,
             {new QLabel(caption, group), new QLabel(QStringLiteral(":"), group), value, new QLabel(unit, group)},
             olderOnly};
    const int r = static_cast<int>(FRows.size());
    for (int c = 0; c < row.Widgets.size(); ++c) {
        QSizePolicy policy = row.Widgets[c]->sizePolicy();
        policy.setRetainSizeWhenHidden(true); // a hidden row leaves its empty line
        row.Widgets[c]->setSizePolicy(policy);
        FGrid->addWidget(row.Widgets[c], r, c);
    }
    FRows << row;
}

const TfrmTalvoProperties::TRow *TfrmTalvoProperties::FindRow(const QString &name) const
{
    for (const TRow &row : FRows)
        if (row.Name == name)
            return &row;
    return nullptr;
}

QLabel *TfrmTalvoProperties::ValueLabel(const QString &name) const
{
    const TRow *row = FindRow(name);
    return row ? static_cast<QLabel *>(row->Widgets[2]) : nullptr;
}

bool TfrmTalvoProperties::RowShown(const QString &name) const
{
    const TRow *row = FindRow(name);
    return row && !row->Widgets[2]->isHidden();
}

void TfrmTalvoProperties::SetValue(const QString &name, const QString &text)
{
    ValueLabel(name)->setText(text);
}

bool TfrmTalvoProperties::FormShow()
{
    if (FCommunication.Connected()) {
        try {
            FCellConstants = FCommunication.ReadCellConstants();
        } catch (const std::exception &e) {
            HandleAppException(FPrompts, e);
            return false;
        }
    }
    const TDeviceInfo &info = *FDeviceInfo;
    SetValue(QStringLiteral("lblSerialNumber"), info.SerialNumber);
    SetValue(QStringLiteral("lblSoftwareVersion"), info.SoftwareVersion);
    SetValue(QStringLiteral("lblConfigVersion"), info.ConfigVersion);
    SetValue(QStringLiteral("lblServoLT"), FormatFixed(info.ServoLifeTime / 3600.0, 1));
    SetValue(QStringLiteral("lblReadingsSinceLastVal"), QString::number(info.ReadingsSinceLastVal));
    SetValue(QStringLiteral("lblReadingsSinceLastService"), QString::number(info.ReadingsSinceLastService));
    SetValue(QStringLiteral("lblNrOfReadingsTaken"), info.NrOfReadingsTaken);
    SetValue(QStringLiteral("lblValidationDate"), DateToStr(info.ValidationDate));
    SetValue(QStringLiteral("lblServiceDate"), DateToStr(info.ServiceDate));
    SetValue(QStringLiteral("lblG25"), QString::number(RoundHalfEven(info.G25)));
    SetValue(QStringLiteral("lblAlpha"), FormatFixed(info.Alpha, 1));
    SetValue(QStringLiteral("lblDeionizedWater"), QString::number(info.DeionizedWater));
    SetValue(QStringLiteral("lblAutoTempComp"), FormatFixed(info.AutoTempComp * 100, 1));
    SetValue(QStringLiteral("lblGClean"), QString::number(RoundHalfEven(info.GClean)));
    SetValue(QStringLiteral("lblConversionFactor"), FormatFixed(SurfaceDensityFactor, 1));
    SetValue(QStringLiteral("lblKpropMeter"), FormatFixed(FCellConstants[TCellConstants::KpropMeter], 2));
    SetValue(QStringLiteral("lblKpropDefault"), FormatFixed(FCellConstants[TCellConstants::KpropFactory], 2));
    for (int n = 1; n <= TCellConstants::Rows; ++n)
        SetValue(QStringLiteral("lblKcel%1").arg(n), FormatFixed(FCellConstants[TCellConstants::KCell(n)], 2));
    const bool newer = info.IsNewerFirmware();
    for (const TRow &row : FRows)
        for (QWidget *w : row.Widgets)
            w->setHidden(row.OlderOnly && newer);
    return true;
}

void TfrmTalvoProperties::btnSaveClick()
{
    const std::optional<QString> file =
        AskSaveFile(FPrompts, FLastSavePath, FDeviceInfo->SerialNumber + QStringLiteral("_TalvoProperties"));
    if (!file) {
        FPrompts.Message(TMsgKind::Plain, QStringLiteral("Save cancelled by user."), TMsgButtons::Ok);
        return;
    }
    try {
        SaveDeviceProperties(*file, *FDeviceInfo, FCellConstants, FStatus);
    } catch (const std::exception &e) {
        FPrompts.Message(TMsgKind::Warning, MessageOf(e), TMsgButtons::Ok);
    }
}

void ShowTalvoProperties(TdmCommunication &communication, std::shared_ptr<TDeviceInfo> &deviceInfo,
                         QString &lastSavePath, TStatusLine &status, Prompts &prompts, QWidget *parent)
{
    if (!communication.Connected()) {
        try {
            if (!communication.Connect(true))
                WarnNotConnected(prompts);
        } catch (const std::exception &e) {
            WarnConnectProblem(prompts, e);
        }
    }
    TfrmTalvoProperties dialog(communication, lastSavePath, status, prompts, parent);
    if (!deviceInfo->Valid && communication.Connected()) {
        try {
            deviceInfo = communication.ReadDeviceInfo(); // the old record goes only once the new one is read
        } catch (const std::exception &e) {
            HandleAppException(prompts, e);
            return;
        }
    }
    dialog.FDeviceInfo = deviceInfo;
    if (dialog.FormShow())
        dialog.exec();
}
