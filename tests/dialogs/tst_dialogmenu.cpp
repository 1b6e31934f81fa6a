// The main window's Configuration menu opens the device dialogs, each with the main window's meter
// connection, device record, save folder and status line.
#include "DialogRig.h"
#include "app/BatchInspection.h"
#include "app/BatchTree.h"
#include "app/BatchWindows.h"
#include "app/frmMain.h"
#include "app/frmViewBatch.h"
#include "dialogs/NumericEdit.h"
#include "dialogs/frmConfiguration.h"
#include "dialogs/frmDateTime.h"
#include "dialogs/frmPassword.h"
#include "dialogs/frmTalvoProperties.h"
#include "model/DeviceInfo.h"

#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

const QString NotConnected = QStringLiteral("Could not make a connection to Talvo!\r\nPlease check if the Talvo is "
                                            "connected to the computer and turned on.");

struct MainRig {
    QTemporaryDir dir;
    ScriptedPrompts &prompts;
    std::unique_ptr<TfrmMain> w;

    explicit MainRig(ScriptedPrompts &p)
        : prompts(p)
    {
        w = std::make_unique<TfrmMain>(prompts, dir.filePath(QStringLiteral("vornell.ini")),
                                       dir.path() + QLatin1Char('/'));
        w->Communication().ConnectTimeOutTimer().setInterval(300);
    }
    QAction *Entry(const QString &caption) const
    {
        for (QAction *menu : w->menuBar()->actions())
            if (menu->text() == QStringLiteral("C&onfiguration"))
                for (QAction *a : menu->menu()->actions())
                    if (a->text() == caption)
                        return a;
        return nullptr;
    }
    bool IconConnected() const
    {
        return w->findChild<QLabel *>(QStringLiteral("ConnectionIcon"))->property("connected").toBool();
    }
};

} // namespace

class TestDialogMenu : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("VORNELL_SYSTEM_PORTS", "0"), qputenv("VORNELL_SERIAL_PORTS", ""); }
    void entriesOpenTheirDialogsWithoutMeter();
    void propertiesWithTheMainWindowsRecord();
    void settingsFailureSwitchesTheIcon();
    void importedBatchKeepsItsFigures();
    void hiddenPasswordEntryChangesThePassword();
};

void TestDialogMenu::entriesOpenTheirDialogsWithoutMeter()
{
    ScriptedPrompts prompts;
    MainRig r(prompts);
    for (const char *caption : {"&Measurement Settings", "&Talvo Properties", "Set Talvo &Date && Time"}) {
        QAction *a = r.Entry(QString::fromLatin1(caption));
        QVERIFY2(a && a->isEnabled() && a->isVisible(), caption);
    }
    QAction *password = r.Entry(QStringLiteral("&Change Password"));
    QVERIFY(password && !password->isVisible());
    QCOMPARE(password->objectName(), QStringLiteral("ChangePassword1"));

    WhenShown<TfrmConfiguration> settings([](TfrmConfiguration &d) { d.btnclose->click(); });
    r.Entry(QStringLiteral("&Measurement Settings"))->trigger();
    QVERIFY(settings.Reached());
    WhenShown<TfrmTalvoProperties> properties([](TfrmTalvoProperties &d) { d.btnClose->click(); });
    r.Entry(QStringLiteral("&Talvo Properties"))->trigger();
    QVERIFY(properties.Reached());
    QCOMPARE(prompts.Texts(), (QStringList{NotConnected, NotConnected}));
    prompts.Messages.clear();
    WhenShown<TfrmDateTime> clock([](TfrmDateTime &d) {
        QVERIFY(d.lblPCTime->isVisible());
        d.btnClose->click();
    });
    r.Entry(QStringLiteral("Set Talvo &Date && Time"))->trigger();
    QVERIFY(clock.Reached());
    QVERIFY(prompts.Messages.isEmpty());
    // The hidden entry still works: without a connection it only tells so.
    password->trigger();
    QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("Please make a connection first!")});
}

void TestDialogMenu::propertiesWithTheMainWindowsRecord()
{
    SimRig sim({QStringLiteral("--firmware"), OlderFirmware});
    MainRig r(sim.prompts);
    QTemporaryDir out;
    sim.prompts.Files = {out.filePath(QStringLiteral("props.CSV"))};
    QString serialShown;
    WhenShown<TfrmTalvoProperties> act([&](TfrmTalvoProperties &d) {
        serialShown = d.ValueLabel(QStringLiteral("lblSerialNumber"))->text();
        d.btnSave->click();
        d.btnClose->click();
    });
    r.Entry(QStringLiteral("&Talvo Properties"))->trigger();
    QVERIFY(act.Reached());
    QVERIFY2(sim.prompts.Messages.isEmpty(), qPrintable(sim.prompts.Texts().join('|')));
    QVERIFY(r.w->DeviceInfo().Valid); // read for the dialog and kept
    QCOMPARE(serialShown, QStringLiteral("SMALL 1"));
    QCOMPARE(r.w->LastSavePath(), out.path() + QLatin1Char('/'));
    QCOMPARE(r.w->findChild<QLabel *>(QStringLiteral("StatusPanel"))->text(),
             QStringLiteral(" Write Talvo Properties to file."));
    QVERIFY(QFile::exists(out.filePath(QStringLiteral("props.CSV"))));
    QVERIFY(r.IconConnected());
}

void TestDialogMenu::settingsFailureSwitchesTheIcon()
{
    // Connected with the clock check and the record read (17 commands), then the line goes away as the
    // settings are read.
    SimRig sim({QStringLiteral("--drop-after"), QStringLiteral("18")});
    MainRig r(sim.prompts);
    bool connectedWhileShown = false;
    WhenShown<TfrmConfiguration> act(
        [&](TfrmConfiguration &d) {
            connectedWhileShown = r.IconConnected();
            d.btnclose->click();
        },
        sim.Idle());
    r.Entry(QStringLiteral("&Measurement Settings"))->trigger();
    QVERIFY(act.Reached());
    QCOMPARE(sim.prompts.Texts(),
             QStringList{QStringLiteral(
                 "There was a problem while communicating with Talvo.\r\nDevice will be disconnected!")});
    QVERIFY(!connectedWhileShown);
    QVERIFY(!r.w->Communication().Connected());
    QVERIFY(r.w->DeviceInfo().Valid);
}

void TestDialogMenu::importedBatchKeepsItsFigures()
{
    // A batch saved from the meter and imported again, its window open; then the meter's deionized
    // water is written as 8. The meter's record follows; the imported batch stays as its file holds it.
    SimRig sim;
    MainRig r(sim.prompts);
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("short.CSV"));
    r.w->mniReadAllClick();
    TBatchTree &tree = r.w->Tree();
    QCOMPARE(tree.Root()->childCount(), 1);
    tree.setCurrentItem(tree.Root()->child(0));
    sim.prompts.Files = {file};
    r.w->pumSaveBatchClick();
    sim.prompts.Files = {file};
    r.w->mniImportBatchClick();
    QVERIFY2(sim.prompts.Messages.isEmpty(), qPrintable(sim.prompts.Texts().join('|')));
    QCOMPARE(tree.Root()->text(0), QStringLiteral("short.CSV"));
    tree.setCurrentItem(tree.Root()->child(0));
    r.w->tvwBatchesDblClick();
    QCOMPARE(r.w->Windows().subWindowList().size(), 1);
    auto *view = qobject_cast<TfrmViewBatch *>(r.w->Windows().subWindowList().first()->widget());
    QVERIFY(view && view->FBatch->FImported);
    const auto cells = [view] {
        QStringList texts;
        for (int row = 0; row < view->stgReadings->rowCount(); ++row)
            for (int col = 0; col < view->stgReadings->columnCount(); ++col)
                texts << view->stgReadings->item(row, col)->text();
        return texts;
    };
    const QStringList before = cells();
    QVERIFY(before.size() > 9);
    QLabel *water = view->ValueLabel(QStringLiteral("Conductivity Deionized Water"));
    QCOMPARE(water->text(), QStringLiteral("2"));
    const QString mean = view->FInspection->ValueLabel(QStringLiteral("Mean"))->text();

    WhenShown<TfrmConfiguration> write(
        [](TfrmConfiguration &d) {
            d.iedtCondWater->SetValue(8);
            d.btnWrite->click();
            d.btnclose->click();
        },
        sim.Idle());
    r.Entry(QStringLiteral("&Measurement Settings"))->trigger();
    QVERIFY(write.Reached());
    QVERIFY2(sim.prompts.Messages.isEmpty(), qPrintable(sim.prompts.Texts().join('|')));
    QCOMPARE(int(r.w->DeviceInfo().DeionizedWater), 8);
    QCOMPARE(cells(), before);
    QCOMPARE(water->text(), QStringLiteral("2"));
    QCOMPARE(int(view->FBatch->DeviceInfo().DeionizedWater), 2);
    QCOMPARE(view->FInspection->ValueLabel(QStringLiteral("Mean"))->text(), mean);
}

void TestDialogMenu::hiddenPasswordEntryChangesThePassword()
{
    SimRig sim;
    MainRig r(sim.prompts);
    r.w->mniConnectClick();
    WhenShown<TfrmPassword> act([](TfrmPassword &d) {
        d.Edit1->setText(QStringLiteral("1234"));
        d.Edit2->setText(QStringLiteral("0007"));
        d.Edit3->setText(QStringLiteral("0007"));
        d.Button1->click();
    });
    r.Entry(QStringLiteral("&Change Password"))->trigger();
    QVERIFY(act.Reached());
    QCOMPARE(sim.prompts.Texts(), QStringList{QStringLiteral("Password changed")});
    QCOMPARE(r.w->Communication().GetPassword(), QStringLiteral("0007"));
}

QTEST_MAIN(TestDialogMenu)
#include "tst_dialogmenu.moc"
