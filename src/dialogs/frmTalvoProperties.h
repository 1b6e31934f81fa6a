#pragma once
// The meter's identity, history and settings from the device record, with the cell constants read
// when the dialog opens; all of it can be saved to a properties file. Nothing in the meter changes.

#include "device/Communication.h"

#include <QDialog>
#include <memory>

class Prompts;
class QGridLayout;
class QLabel;
class QPushButton;
class TDeviceInfo;
class TStatusLine;

class TfrmTalvoProperties : public QDialog {
    Q_OBJECT
public:
    // lastSavePath is the main window's folder for saved files, updated when the user picks another.
    TfrmTalvoProperties(TdmCommunication &communication, QString &lastSavePath, TStatusLine &status, Prompts &prompts,
                        QWidget *parent = nullptr);

    // Reads the cell constants when a meter is connected and fills the rows; false, after the failure
    // box, when the read failed and the dialog is not to be shown.
    bool FormShow();
    void btnSaveClick();

    // The value label of a row by its name (lblSerialNumber, lblG25, lblKcel1, ...).
    QLabel *ValueLabel(const QString &name) const;
    // Whether the row of that value label is shown; a hidden row still takes its line.
    bool RowShown(const QString &name) const;

    std::shared_ptr<const TDeviceInfo> FDeviceInfo;
    TCellConstants FCellConstants{};

    QPushButton *btnSave;
    QPushButton *btnClose;

private:
    struct TRow {
        QString Name;
        QList<QWidget *> Widgets; // caption, separator, value, unit
        bool OlderOnly;
    };
    void AddRow(const QString &caption, const QString &name, const QString &unit = {}, bool olderOnly = false);
    void SetValue(const QString &name, const QString &text);
    const TRow *FindRow(const QString &name) const;

    TdmCommunication &FCommunication;
    QString &FLastSavePath;
    TStatusLine &FStatus;
    Prompts &FPrompts;
    QGridLayout *FGrid;
    QList<TRow> FRows;
};

// The "Talvo Properties" command: connects when no meter is connected, reads the device record when
// it is not valid, and shows the dialog with the main window's record.
void ShowTalvoProperties(TdmCommunication &communication, std::shared_ptr<TDeviceInfo> &deviceInfo,
                         QString &lastSavePath, TStatusLine &status, Prompts &prompts, QWidget *parent);
