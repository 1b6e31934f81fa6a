// Where the settings file lives: beside the executable when its folder is writable, otherwise in
// the user's configuration folder, with the documents folder as the default of both paths.
#include "model/Errors.h"
#include "model/Settings.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void place_data();
    void place();
    void documentsFolderMissing();
    void configFolderCreatedOnSave();
    void configFolderUnwritable();

private:
    QTemporaryDir FHome;
    QString Config() const { return FHome.filePath(QStringLiteral("config")); }
};

void TestSettings::initTestCase()
{
    // A home of our own, so that nothing touches the real user's files.
    QVERIFY(FHome.isValid());
    qputenv("HOME", FHome.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", Config().toLocal8Bit());
    QVERIFY(QDir(FHome.path()).mkdir(QStringLiteral("Documents")));
}

void TestSettings::place_data()
{
    QTest::addColumn<QString>("folderMode");
    QTest::addColumn<bool>("beside");
    QTest::newRow("writable folder: a portable copy, the build tree") << "writable" << true;
    QTest::newRow("folder gone") << "missing" << false;
    QTest::newRow("read-only folder: an installed program") << "read-only" << false;
}

void TestSettings::place()
{
    QFETCH(QString, folderMode);
    QFETCH(bool, beside);
    if (folderMode == QLatin1String("read-only") && ::geteuid() == 0)
        QSKIP("root writes anywhere; tests/install runs the installed program as an unprivileged user");
    QTemporaryDir dir;
    const QString bin = dir.filePath(QStringLiteral("bin"));
    if (folderMode != QLatin1String("missing"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("bin")));
    if (folderMode == QLatin1String("read-only"))
        QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));

    const TSettingsPlace p = SettingsPlaceFor(bin + QStringLiteral("/vornell.exe"));
    QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (beside) {
        QCOMPARE(p.File, bin + QStringLiteral("/vornell.ini"));
        QCOMPARE(p.DefaultFolder, bin + QLatin1Char('/'));
    } else {
        QCOMPARE(p.File,
                 QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/vornell.ini"));
        QVERIFY2(p.File.startsWith(Config() + QLatin1Char('/')), qPrintable(p.File));
        QCOMPARE(p.DefaultFolder, FHome.filePath(QStringLiteral("Documents/")));
    }
}

void TestSettings::documentsFolderMissing()
{
    QVERIFY(QDir(FHome.filePath(QStringLiteral("Documents"))).removeRecursively());
    const TSettingsPlace p = SettingsPlaceFor(QStringLiteral("/nonexistent/bin/vornell"));
    QVERIFY(QDir(FHome.path()).mkdir(QStringLiteral("Documents")));
    QCOMPARE(p.DefaultFolder, FHome.path() + QLatin1Char('/'));
}

void TestSettings::configFolderCreatedOnSave()
{
    const TSettingsPlace p = SettingsPlaceFor(QStringLiteral("/nonexistent/bin/vornell"));
    QVERIFY(!QFileInfo::exists(QFileInfo(p.File).absolutePath()));
    SaveSettings(p.File, {QStringLiteral("/s/"), QStringLiteral("/i"), 161});
    const TAppSettings s = LoadSettings(p.File, p.DefaultFolder);
    QCOMPARE(s.LastSavePath, QStringLiteral("/s/"));
    QCOMPARE(s.LastImportPath, QStringLiteral("/i"));
    QCOMPARE(s.LastPort, 161);
    QVERIFY(QDir(Config()).removeRecursively());
}

void TestSettings::configFolderUnwritable()
{
    // A file where the configuration folder should be: neither place can take the settings,
    // whoever runs the test.
    QFile blocker(Config());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const TSettingsPlace p = SettingsPlaceFor(QStringLiteral("/nonexistent/bin/vornell"));
    try {
        SaveSettings(p.File, {QStringLiteral("/s/"), QStringLiteral("/i"), 1});
        QFAIL("no error");
    } catch (const Error &e) {
        QCOMPARE(e.message(), QStringLiteral("Unable to write to ") + p.File);
    }
    QVERIFY(blocker.remove());
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
