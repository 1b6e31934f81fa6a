#pragma once
// The meter's measurement settings: the validation fluid (older meters only), the deionized water
// conductivity and the compensation factor, read from and written to the meter, with a calculator for
// the validation fluid's temperature coefficient.

#include <QDialog>
#include <functional>
#include <memory>

class Prompts;
class QGroupBox;
class QLabel;
class QPushButton;
class TDeviceInfo;
class TFloatEdit;
class TIntEdit;
class TdmCommunication;
struct TMeasurementSettings;

class TfrmConfiguration : public QDialog {
    Q_OBJECT
public:
    TfrmConfiguration(TdmCommunication &communication, Prompts &prompts, QWidget *parent = nullptr);

    void btnReadClick();
    void btnWriteClick();
    void btnCalculateClick();
    QString StatusText() const;

    // Set by the opener before the dialog is shown: false on meters of the newer generation.
    bool FShowValidationFluid = true;
    // Run after the settings were written, with the values the meter now holds.
    std::function<void(const TMeasurementSettings &)> OnWritten;

    QGroupBox *gpbValidationFluid;
    TIntEdit *iedtValue25Deg;
    TFloatEdit *fedtTempCoeff;
    QPushButton *btnCalculate;
    QGroupBox *gpbDeionizedWater;
    TIntEdit *iedtCondWater;
    TFloatEdit *fedtAutoTempCor;
    QPushButton *btnRead;
    QPushButton *btnWrite;
    QPushButton *btnclose;

    // How much lower the dialog is without the Validation Fluid group.
    static constexpr int ValidationFluidHeight = 111;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void SetStatus(const QString &text);
    TMeasurementSettings FieldValues() const;
    void ShowValues(const TMeasurementSettings &s);

    TdmCommunication &FCommunication;
    Prompts &FPrompts;
    QLabel *FStatus;
};

// The "Measurement Settings" command: connects when no meter is connected (reading the device
// record if it is not valid), then shows the dialog, which reads the settings at once when it can.
// A valid record is replaced by one with the settings written, so that what shows the record shows
// the meter's current values; recordReplaced runs whenever the command replaced the record.
void ShowMeasurementSettings(TdmCommunication &communication, std::shared_ptr<TDeviceInfo> &deviceInfo,
                             Prompts &prompts, QWidget *parent, const std::function<void()> &recordReplaced = {});
