// The new batch dialog: its key filters with their warnings, and the checks after confirming.
#include "dialogs/frmNewBatch.h"
#include "support/ScriptedPrompts.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// Presses a button of the dialog once it runs modally, then keeps doing so for each later round.
void PressWhenShown(TfrmNewBatch &dialog, const QList<std::function<void()>> &rounds)
{
    auto remaining = std::make_shared<QList<std::function<void()>>>(rounds);
    auto *timer = new QTimer(&dialog);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, &dialog, [&dialog, remaining, timer] {
        if (!dialog.isVisible() || remaining->isEmpty())
            return;
        remaining->takeFirst()();
        if (remaining->isEmpty())
            timer->stop();
    });
    timer->start();
}

} // namespace

class TestNewBatch : public QObject {
    Q_OBJECT
private slots:
    void captionsAndInitialValues();
    void acceptInitialValuesPadsName();
    void checks_data();
    void checks();
    void invalidMaximumShowsDialogAgain();
    void cancelReturnsFalse();
    void nameKeyFilter();
    void maximumKeyFilter();
    void enterAccepts();
};

void TestNewBatch::captionsAndInitialValues()
{
    ScriptedPrompts prompts;
    TfrmNewBatch d(prompts);
    QCOMPARE(d.windowTitle(), QStringLiteral(" New Batch"));
    QCOMPARE(d.edtBatchName->text(), QStringLiteral("Batch_Name"));
    QCOMPARE(d.edtBatchName->maxLength(), 20);
    QCOMPARE(d.edtMaxReadings->text(), QStringLiteral("100"));
    QCOMPARE(d.btnCreate->text(), QStringLiteral("&Create"));
    QCOMPARE(d.btnCancel->text(), QStringLiteral("&Cancel"));
}

void TestNewBatch::acceptInitialValuesPadsName()
{
    ScriptedPrompts prompts;
    TfrmNewBatch d(prompts);
    PressWhenShown(d, {[&] { d.btnCreate->click(); }});
    QString name;
    qint32 max = 0;
    QVERIFY(d.Execute(name, max));
    QCOMPARE(name, QStringLiteral("Batch_Name  "));
    QCOMPARE(max, 100);
    QVERIFY(prompts.Messages.isEmpty());
}

void TestNewBatch::checks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("message");
    const QString range = QStringLiteral("Enter a valig number between 1 and 100 for maximum Readings");
    QTest::newRow("zero") << "A"
                          << "0" << range;
    QTest::newRow("101") << "A"
                         << "101" << range;
    QTest::newRow("1") << "A"
                       << "1" << QString();
    QTest::newRow("100") << "A"
                         << "100" << QString();
    QTest::newRow("empty name") << ""
                                << "5" << QStringLiteral("Enter a valid name");
    QTest::newRow("blanks kept") << " a "
                                 << "5" << QString();
    QTest::newRow("pasted 20") << "ABCDEFGHIJKLMNOPQRST"
                               << "5" << QString();
}

void TestNewBatch::checks()
{
    QFETCH(QString, name);
    QFETCH(QString, max);
    QFETCH(QString, message);
    ScriptedPrompts prompts;
    TfrmNewBatch d(prompts);
    d.edtBatchName->setText(name);
    d.edtMaxReadings->setText(max);
    QString outName = QStringLiteral("untouched");
    qint32 outMax = -1;
    const bool ok = d.CheckAccepted(outName, outMax);
    QCOMPARE(ok, message.isEmpty());
    if (ok) {
        QVERIFY(prompts.Messages.isEmpty());
        QCOMPARE(outName, name.size() < 12 ? name.leftJustified(12) : name);
        QCOMPARE(outMax, max.toInt());
    } else {
        QCOMPARE(prompts.Texts(), QStringList{message});
        QCOMPARE(prompts.Messages[0].Kind, TMsgKind::Plain);
        QCOMPARE(outName, QStringLiteral("untouched"));
    }
}

void TestNewBatch::invalidMaximumShowsDialogAgain()
{
    ScriptedPrompts prompts;
    TfrmNewBatch d(prompts);
    d.edtMaxReadings->setText(QStringLiteral("101"));
    QString seenSecondTime;
    PressWhenShown(d, {[&] { d.btnCreate->click(); },
                       [&] {
                           seenSecondTime = d.edtMaxReadings->text();
                           d.edtMaxReadings->setText(QStringLiteral("12"));
                           d.btnCreate->click();
                       }});
    QString name;
    qint32 max = 0;
    QVERIFY(d.Execute(name, max));
    QCOMPARE(seenSecondTime, QStringLiteral("101"));
    QCOMPARE(max, 12);
    QCOMPARE(prompts.Texts(),
             QStringList{QStringLiteral("Enter a valig number between 1 and 100 for maximum Readings")});
}

void TestNewBatch::cancelReturnsFalse()
{
    ScriptedPrompts prompts;
    TfrmNewBatch d(prompts);
    PressWhenShown(d, {[&] { d.btnCancel->click(); }});
    QString name = QStringLiteral("x");
    qint32 max = 7;
    QVERIFY(!d.Execute(name, max));
    QCOMPARE(name, QStringLiteral("x"));
    QCOMPARE(max, 7);
}

void TestNewBatch::nameKeyFilter()
{
    ScriptedPrompts prompts;
    TfrmNewBatch d(prompts);
    d.edtBatchName->clear();
    QTest::keyClicks(d.edtBatchName, QStringLiteral("Deck:A"));
    QCOMPARE(d.edtBatchName->text(), QStringLiteral("DeckA"));
    QCOMPARE(prompts.Texts(),
             QStringList{
                 QStringLiteral("The Characters between quotes \": \\ / ? * [ ]\" are not allowed in a batch name.")});
    QCOMPARE(prompts.Messages[0].Kind, TMsgKind::Warning);

    prompts.Messages.clear();
    d.edtBatchName->setText(QStringLiteral("ABCDEFGHIJKL"));
    QTest::keyClick(d.edtBatchName, Qt::Key_M);
    QCOMPARE(d.edtBatchName->text(), QStringLiteral("ABCDEFGHIJKL"));
    QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("Maximum length of name is 12 characters")});
    QTest::keyClick(d.edtBatchName, Qt::Key_Backspace);
    QCOMPARE(d.edtBatchName->text(), QStringLiteral("ABCDEFGHIJK"));
    QCOMPARE(prompts.Messages.size(), 1);
}

void TestNewBatch::maximumKeyFilter()
{
    ScriptedPrompts prompts;
    TfrmNewBatch d(prompts);
    d.edtMaxReadings->setText(QStringLiteral("5"));
    QTest::keyClick(d.edtMaxReadings, Qt::Key_Backspace);
    QCOMPARE(d.edtMaxReadings->text(), QStringLiteral("0")); // an emptied field shows 0 at once
    d.edtMaxReadings->clear();
    QCOMPARE(d.edtMaxReadings->text(), QStringLiteral("0"));
    d.edtMaxReadings->setCursorPosition(0);
    QTest::keyClick(d.edtMaxReadings, Qt::Key_Minus);
    QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("Negative numbers are not allowed.")});
    QCOMPARE(d.edtMaxReadings->text(), QStringLiteral("0"));
    d.edtMaxReadings->setCursorPosition(1);
    QTest::keyClicks(d.edtMaxReadings, QStringLiteral("-x7"));
    QCOMPARE(d.edtMaxReadings->text(), QStringLiteral("07"));
    QCOMPARE(prompts.Messages.size(), 1); // away from the start, and letters, without a message
}

void TestNewBatch::enterAccepts()
{
    ScriptedPrompts prompts;
    TfrmNewBatch d(prompts);
    PressWhenShown(d, {[&] { QTest::keyClick(d.edtMaxReadings, Qt::Key_Return); }});
    QString name;
    qint32 max = 0;
    QVERIFY(d.Execute(name, max));
    QCOMPARE(d.edtMaxReadings->text(), QStringLiteral("100"));
}

QTEST_MAIN(TestNewBatch)
#include "tst_newbatch.moc"
