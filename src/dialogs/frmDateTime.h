#pragma once
// The meter's clock as a running clock face. The user picks a date and a time, or takes the PC's
// clock, and writes them into the meter. The dialog connects to the meter only to read its clock when
// it opens and to write the new time, and disconnects after each.

#include "model/DateTime.h"

#include <QDateTime>
#include <QDialog>

class Prompts;
class QCalendarWidget;
class QDateTimeEdit;
class QLabel;
class QPushButton;
class QTimer;
class TClockFace;
class TdmCommunication;

class TfrmDateTime : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDateTime(Prompts &prompts, QWidget *parent = nullptr);

    // The clock runs from dateTime; the calendar shows its date.
    void ShowTime(const QDateTime &dateTime);
    // The calendar's date with the picker's time of day: what "Write" sends.
    TDateTime SelectedDateTime() const;
    // The time the clock face shows now: the dialog's own running time, or the PC's clock.
    QDateTime ShownTime() const;

    // One tick of Timer: the own time advances by a second and the face and picker follow.
    void TimerTimer();
    void btnSynchronizeClick();
    void btnWriteClick();

    TdmCommunication *FCommunication = nullptr;
    bool FUseOwnTime = false;
    QDateTime FTime;
    bool FEditing = false;

    QCalendarWidget *jmcDate;
    TClockFace *jclkTime;
    QDateTimeEdit *dtpTime;
    QLabel *lblPCTime;
    QPushButton *btnSynchronize;
    QPushButton *btnWrite;
    QPushButton *btnClose;
    QTimer *Timer;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The face and, unless the user is editing it, the picker take the shown time.
    void RefreshClock();
    void dtpTimeExit();

    Prompts &FPrompts;
};

// The "Set Talvo Date & Time" command: connects without the clock check when no meter is connected,
// shows the meter's clock (or the PC's when no meter answers) and disconnects before the dialog opens.
void ShowDeviceDateTime(TdmCommunication &communication, Prompts &prompts, QWidget *parent);
