// The shell around the windows: the settings file, the last-resort failure box, the about box.
#include "app/AppException.h"
#include "app/QtPrompts.h"
#include "app/frmAbout.h"
#include "model/Errors.h"
#include "model/Settings.h"
#include "support/ScriptedPrompts.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void settingsDefaults();
    void settingsRoundTrip();
    void settingsPortNotAnInteger();
    void settingsUnwritable();
    void failureInHandlerShowsBoxAndLoopGoesOn();
    void aboutBox();
    void fileDialogFilters();
};

void TestShell::settingsDefaults()
{
    QTemporaryDir dir;
    const TAppSettings s = LoadSettings(dir.filePath(QStringLiteral("vornell.ini")), QStringLiteral("/opt/v/"));
    QCOMPARE(s.LastSavePath, QStringLiteral("/opt/v/"));
    QCOMPARE(s.LastImportPath, QStringLiteral("/opt/v/"));
    QCOMPARE(s.LastPort, -1);
}

void TestShell::settingsRoundTrip()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("vornell.ini"));
    SaveSettings(file, {QStringLiteral("/data/save/"), QStringLiteral("/data/import"), 161});
    const QSettings raw(file, QSettings::IniFormat);
    QCOMPARE(raw.childGroups(), (QStringList{QStringLiteral("Communication"), QStringLiteral("Path")}));
    QCOMPARE(raw.value(QStringLiteral("Path/LastSavePath")).toString(), QStringLiteral("/data/save/"));
    QCOMPARE(raw.value(QStringLiteral("Path/LastImportPath")).toString(), QStringLiteral("/data/import"));
    QCOMPARE(raw.value(QStringLiteral("Communication/LastPort")).toString(), QStringLiteral("161"));
    const TAppSettings s = LoadSettings(file, QStringLiteral("/x/"));
    QCOMPARE(s.LastSavePath, QStringLiteral("/data/save/"));
    QCOMPARE(s.LastImportPath, QStringLiteral("/data/import"));
    QCOMPARE(s.LastPort, 161);
    // Nothing but the temporary-free file is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("vornell.ini")});
}

void TestShell::settingsPortNotAnInteger()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("vornell.ini"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Communication]\nLastPort=COM3\n[Path]\nLastSavePath=/s/\n");
    f.close();
    const TAppSettings s = LoadSettings(file, QStringLiteral("/x/"));
    QCOMPARE(s.LastPort, -1);
    QCOMPARE(s.LastSavePath, QStringLiteral("/s/"));
    QCOMPARE(s.LastImportPath, QStringLiteral("/x/"));
}

void TestShell::settingsUnwritable()
{
    QTemporaryDir dir;
    // A folder in the way of the file: it cannot be written, whoever runs the test.
    const QString file = dir.filePath(QStringLiteral("vornell.ini"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("vornell.ini")));
    try {
        SaveSettings(file, {QStringLiteral("/a/"), QStringLiteral("/b"), 1});
        QFAIL("no error");
    } catch (const Error &e) {
        QCOMPARE(e.message(), QStringLiteral("Unable to write to ") + file);
    }
}

void TestShell::failureInHandlerShowsBoxAndLoopGoesOn()
{
    auto *app = TVornellApplication::Instance();
    QVERIFY(app);
    ScriptedPrompts prompts;
    app->SetExceptionPrompts(&prompts);
    bool after = false;
    QTimer::singleShot(0, this, [] { throw Error(QStringLiteral("Index out of range.")); });
    QTimer::singleShot(20, this, [&] { after = true; });
    QTRY_VERIFY(after);
    app->SetExceptionPrompts(nullptr);
    QCOMPARE(prompts.Texts(),
             QStringList{QStringLiteral("A problem occurred in Vornell, the messages was:\r\nIndex out of range.")});
    QCOMPARE(prompts.Messages[0].Kind, TMsgKind::Warning);
    QCOMPARE(prompts.Messages[0].Buttons, TMsgButtons::Ok);
}

void TestShell::aboutBox()
{
    QCoreApplication::setApplicationVersion(QStringLiteral(VORNELL_PRODUCT_VERSION));
    TfrmAbout about;
    about.btnClose->setVisible(false);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.windowTitle(), QStringLiteral("  About"));
    QCOMPARE(about.lblVersion->text(), QStringLiteral("V1.04"));
    QCOMPARE(about.size(), QSize(346, 382));
    about.grab().save(QStringLiteral("/tmp/vornell-splash.png"));
}

void TestShell::fileDialogFilters()
{
    QCOMPARE(TQtPrompts::NameFilters(QStringLiteral("Talvometer (*.CSV)|*.CSV|Talvometer (*.XLS)|*.XLS")),
             (QStringList{QStringLiteral("Talvometer (*.CSV)"), QStringLiteral("Talvometer (*.XLS)")}));
    QCOMPARE(TQtPrompts::NameFilters(QStringLiteral("Text|*.txt;*.csv")),
             QStringList{QStringLiteral("Text (*.txt *.csv)")});
}

int main(int argc, char **argv)
{
    TVornellApplication app(argc, argv);
    TestShell t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_shell.moc"
