// The device dialogs as the user sees them, for both firmware generations: no text cut off, no two
// controls on top of each other. With VORNELL_SCREENSHOTS set to a folder, each dialog is saved there as
// a PNG.
#include "DialogRig.h"
#include "dialogs/ClockFace.h"
#include "dialogs/NumericEdit.h"
#include "dialogs/frmCalcTempCoef.h"
#include "dialogs/frmConfiguration.h"
#include "dialogs/frmDateTime.h"
#include "dialogs/frmPassword.h"
#include "dialogs/frmTalvoProperties.h"
#include "files/StatusLine.h"
#include "model/DeviceInfo.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QtTest>

namespace {

struct NoStatus : TStatusLine {
    void ShowStatus(const QString &) override {}
    void ClearStatus() override {}
    void ShowProgress(int) override {}
    void HideProgress() override {}
};

// The controls a user reads or uses, not the parts inside composite widgets.
QList<QWidget *> Controls(QWidget *dialog)
{
    QList<QWidget *> out;
    for (QWidget *w : dialog->findChildren<QWidget *>()) {
        if (!w->isVisible())
            continue;
        bool inner = false;
        for (QWidget *p = w->parentWidget(); p && p != dialog; p = p->parentWidget())
            inner = inner || qobject_cast<QCalendarWidget *>(p) || qobject_cast<QAbstractSpinBox *>(p) ||
                    qobject_cast<QStatusBar *>(p);
        if (inner)
            continue;
        if (qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) ||
            qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QCalendarWidget *>(w) || qobject_cast<TClockFace *>(w))
            out << w;
    }
    return out;
}

QRect InDialog(QWidget *dialog, QWidget *w)
{
    return QRect(w->mapTo(dialog, QPoint(0, 0)), w->size());
}

// Every text fits its control, every control lies inside the dialog, and none covers another.
void CheckLayout(QWidget *dialog)
{
    const QList<QWidget *> controls = Controls(dialog);
    QVERIFY(!controls.isEmpty());
    for (QWidget *w : controls) {
        const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) +
                                                             QLatin1Char(' ') + w->property("text").toString()
                                                       : w->objectName();
        QVERIFY2(dialog->rect().contains(InDialog(dialog, w)), qPrintable(name + QStringLiteral(" outside")));
        if (auto *label = qobject_cast<QLabel *>(w))
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(name + QStringLiteral(" cut off")));
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(name + QStringLiteral(" cut off")));
        if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            const int room = edit->contentsRect().width() - 6;
            QVERIFY2(edit->fontMetrics().horizontalAdvance(edit->displayText()) <= room,
                     qPrintable(name + QStringLiteral(" text cut off")));
        }
    }
    for (int i = 0; i < controls.size(); ++i)
        for (int k = i + 1; k < controls.size(); ++k)
            QVERIFY2(!InDialog(dialog, controls[i]).intersects(InDialog(dialog, controls[k])),
                     qPrintable(
                         QStringLiteral("%1 / %2 overlap")
                             .arg(controls[i]->property("text").toString(), controls[k]->property("text").toString())));
    for (QGroupBox *group : dialog->findChildren<QGroupBox *>()) {
        if (!group->isVisible())
            continue;
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        const QRect title =
            group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
        QVERIFY2(title.width() >= group->fontMetrics().horizontalAdvance(group->title()),
                 qPrintable(group->title() + QStringLiteral(" title cut off")));
    }
}

void Save(QWidget *dialog, const QString &name)
{
    const QByteArray folder = qgetenv("VORNELL_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(folder));
    QVERIFY(dialog->grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + name + QStringLiteral(".png")));
}

void Show(QWidget *dialog)
{
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCoreApplication::processEvents(); // the fixed-size layout settles
}

} // namespace

class TestDialogLayout : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("VORNELL_SYSTEM_PORTS", "0"), qputenv("VORNELL_SERIAL_PORTS", ""); }
    void measurementSettings_data();
    void measurementSettings();
    void calculator();
    void properties_data();
    void properties();
    void dateTime_data();
    void dateTime();
    void password();
};

void TestDialogLayout::measurementSettings_data()
{
    QTest::addColumn<bool>("older");
    QTest::newRow("older") << true;
    QTest::newRow("newer") << false;
}

void TestDialogLayout::measurementSettings()
{
    QFETCH(bool, older);
    SimRig r(older ? QStringList{QStringLiteral("--firmware"), OlderFirmware} : QStringList{});
    QVERIFY(r.comm.Connect(false));
    TfrmConfiguration d(r.comm, r.prompts);
    d.FShowValidationFluid = older;
    Show(&d);
    QCOMPARE(d.StatusText(), QStringLiteral("  The Measurement Settings are read!"));
    CheckLayout(&d);
    Save(&d, older ? QStringLiteral("measurement-settings-older") : QStringLiteral("measurement-settings-newer"));
}

void TestDialogLayout::calculator()
{
    ScriptedPrompts prompts;
    TfrmCalcTempCoef c(prompts);
    c.iedtConductivity1->SetValue(84);
    c.iedtTemp2->SetValue(20);
    c.iedtConductivity2->SetValue(76);
    c.Calculate();
    Show(&c);
    CheckLayout(&c);
    Save(&c, QStringLiteral("temperature-coefficient-calculator"));
}

void TestDialogLayout::properties_data()
{
    QTest::addColumn<bool>("older");
    QTest::newRow("older") << true;
    QTest::newRow("newer") << false;
}

void TestDialogLayout::properties()
{
    QFETCH(bool, older);
    SimRig r(older ? QStringList{QStringLiteral("--firmware"), OlderFirmware} : QStringList{});
    QString lastSavePath;
    NoStatus status;
    TfrmTalvoProperties d(r.comm, lastSavePath, status, r.prompts);
    d.FDeviceInfo = r.comm.ReadDeviceInfo();
    QVERIFY(d.FormShow());
    Show(&d);
    CheckLayout(&d);
    Save(&d, older ? QStringLiteral("talvo-properties-older") : QStringLiteral("talvo-properties-newer"));
}

void TestDialogLayout::dateTime_data()
{
    QTest::addColumn<bool>("meter");
    QTest::newRow("meter") << true;
    QTest::newRow("PC time") << false;
}

void TestDialogLayout::dateTime()
{
    QFETCH(bool, meter);
    ScriptedPrompts prompts;
    TfrmDateTime d(prompts);
    d.Timer->stop(); // the same picture every time
    d.ShowTime(QDateTime(QDate(2026, 12, 10), QTime(10, 8, 37)));
    d.Timer->stop();
    d.lblPCTime->setVisible(!meter);
    d.btnWrite->setEnabled(meter);
    Show(&d);
    CheckLayout(&d);
    Save(&d, meter ? QStringLiteral("device-date-time") : QStringLiteral("device-date-time-pc"));
}

void TestDialogLayout::password()
{
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts);
    TfrmPassword d(comm, prompts);
    Show(&d);
    QTest::keyClicks(d.Edit1, QStringLiteral("1234"));
    QTest::keyClicks(d.Edit2, QStringLiteral("56"));
    CheckLayout(&d);
    Save(&d, QStringLiteral("change-password"));
}

QTEST_MAIN(TestDialogLayout)
#include "tst_dialoglayout.moc"
