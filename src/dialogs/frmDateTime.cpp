#include "dialogs/frmDateTime.h"

#include "device/Communication.h"
#include "dialogs/ClockFace.h"
#include "dialogs/ConnectWarnings.h"
#include "dialogs/Placement.h"
#include "model/Errors.h"
#include "model/Prompts.h"
#include "model/UserLocale.h"

#include <QCalendarWidget>
#include <QDateTimeEdit>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

TfrmDateTime::TfrmDateTime(Prompts &prompts, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , jmcDate(new QCalendarWidget(this))
    , jclkTime(new TClockFace(this))
    , dtpTime(new QDateTimeEdit(this))
    , lblPCTime(new QLabel(QStringLiteral("Showing PC Time"), this))
    , btnSynchronize(new QPushButton(QStringLiteral("&Synchronize with PC"), this))
    , btnWrite(new QPushButton(QStringLiteral("&Write"), this))
    , btnClose(new QPushButton(QStringLiteral("&Close"), this))
    , Timer(new QTimer(this))
    , FPrompts(prompts)
{
    setWindowTitle(QStringLiteral(" Device Date and Time"));
    setWindowIcon(TClockFace::Icon());
    setModal(true);

    jmcDate->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    jmcDate->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    jmcDate->setDateEditEnabled(false);
    auto *dateGroup = new QGroupBox(QStringLiteral("Date"), this);
    auto *dateLayout = new QVBoxLayout(dateGroup);
    dateLayout->addWidget(jmcDate);

    dtpTime->setDisplayFormat(UserLocale::Current().TimeFormat);
    dtpTime->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    dtpTime->setAlignment(Qt::AlignRight);
    auto *timeGroup = new QGroupBox(QStringLiteral("Time"), this);
    auto *timeLayout = new QVBoxLayout(timeGroup);
    timeLayout->addWidget(jclkTime, 0, Qt::AlignHCenter);
    timeLayout->addStretch();
    timeLayout->addWidget(dtpTime);

    QFont bold = lblPCTime->font();
    bold.setBold(true);
    lblPCTime->setFont(bold);
    QPalette red = lblPCTime->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblPCTime->setPalette(red);
    QSizePolicy keepLine = lblPCTime->sizePolicy();
    keepLine.setRetainSizeWhenHidden(true);
    lblPCTime->setSizePolicy(keepLine);
    lblPCTime->hide();

    auto *groups = new QHBoxLayout;
    groups->addWidget(dateGroup);
    groups->addWidget(timeGroup);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnSynchronize);
    buttons->addStretch();
    buttons->addWidget(btnWrite);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(lblPCTime);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnSynchronize, &QPushButton::clicked, this, &TfrmDateTime::btnSynchronizeClick);
    connect(btnWrite, &QPushButton::clicked, this, &TfrmDateTime::btnWriteClick);
    connect(btnClose, &QPushButton::clicked, this, [this] {
        Timer->stop();
        reject();
    });
    // The clock follows the picker only while the user is not changing it.
    connect(dtpTime, &QDateTimeEdit::dateTimeChanged, this, [this] { FEditing = true; });
    dtpTime->installEventFilter(this);

    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, &TfrmDateTime::TimerTimer);
    Timer->start();
    RefreshClock();
    CentreOverParent(*this);
}

void TfrmDateTime::ShowTime(const QDateTime &dateTime)
{
    FTime = dateTime;
    FUseOwnTime = true;
    Timer->start();
    jmcDate->setSelectedDate(dateTime.date());
    RefreshClock();
}

TDateTime TfrmDateTime::SelectedDateTime() const
{
    return EncodeDateTime(jmcDate->selectedDate(), dtpTime->time());
}

QDateTime TfrmDateTime::ShownTime() const
{
    return FUseOwnTime ? FTime : NowQDateTime();
}

void TfrmDateTime::RefreshClock()
{
    const QDateTime shown = ShownTime();
    jclkTime->SetTime(shown.time());
    if (!FEditing) {
        const QSignalBlocker quiet(dtpTime); // a change the user did not make
        dtpTime->setDateTime(shown);
    }
}

void TfrmDateTime::TimerTimer()
{
    if (FTime.isValid())
        FTime = FTime.addSecs(1);
    RefreshClock();
}

bool TfrmDateTime::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == dtpTime && event->type() == QEvent::FocusOut)
        dtpTimeExit();
    return QDialog::eventFilter(watched, event);
}

void TfrmDateTime::dtpTimeExit()
{
    if (!FEditing)
        return;
    FTime = dtpTime->dateTime();
    FEditing = false;
    FUseOwnTime = true;
    RefreshClock();
}

void TfrmDateTime::btnSynchronizeClick()
{
    FUseOwnTime = false;
    jmcDate->setSelectedDate(NowQDateTime().date());
    // The PC's clock runs, also after a write stopped the shown time.
    Timer->start();
    RefreshClock();
}

void TfrmDateTime::btnWriteClick()
{
    TdmCommunication &comm = *FCommunication;
    // The picker takes the time shown at this moment, not at the last tick.
    RefreshClock();
    try {
        if (!comm.Connected())
            comm.Connect(false);
        if (!comm.Connected()) {
            WarnNotConnected(FPrompts);
            return;
        }
        comm.SetDeviceTime(SelectedDateTime());
        Timer->stop();
        FPrompts.Message(TMsgKind::Information, QStringLiteral("Setting the time in device was succesful."),
                         TMsgButtons::Ok);
    } catch (const std::exception &e) {
        FPrompts.Message(TMsgKind::Warning,
                         QStringLiteral("A problem occurred while setting the time the messages was:\r\n") +
                             MessageOf(e),
                         TMsgButtons::Ok);
    }
    comm.Disconnect();
}

void ShowDeviceDateTime(TdmCommunication &communication, Prompts &prompts, QWidget *parent)
{
    TfrmDateTime dialog(prompts, parent);
    try {
        if (!communication.Connected())
            communication.Connect(false);
        if (!communication.Connected()) {
            dialog.btnWrite->setEnabled(false);
            dialog.lblPCTime->show();
        }
        dialog.FCommunication = &communication;
        dialog.ShowTime(communication.Connected() ? QDateTimeFromDateTime(communication.GetDeviceTime())
                                                  : NowQDateTime());
    } catch (const std::exception &e) {
        communication.Disconnect();
        HandleAppException(prompts, e);
        return;
    }
    communication.Disconnect();
    dialog.exec();
}
