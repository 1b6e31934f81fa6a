// The numeric fields: what their key filters let through, how their text reads as a value, and the
// reformatting when a decimal field is left.
#include "dialogs/NumericEdit.h"
#include "model/UserLocale.h"
#include "support/ScriptedPrompts.h"

#include <QtTest>

class TestNumericEdit : public QObject {
    Q_OBJECT
private slots:
    void init() { UserLocale::SetCurrent(UserLocale{}); }
    void intKeyFilter_data();
    void intKeyFilter();
    void intValue_data();
    void intValue();
    void floatKeyFilter_data();
    void floatKeyFilter();
    void floatValue();
    void floatOtherSeparatorShowsConversionError();
    void floatLeavingReformats();
    void floatCommaLocale();
};

void TestNumericEdit::intKeyFilter_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("beeps");
    QTest::newRow("digits and signs") << ""
                                      << "-12+3"
                                      << "-12+3" << 0;
    QTest::newRow("letter refused") << "5"
                                    << "a"
                                    << "5" << 1;
    QTest::newRow("point refused") << "5"
                                   << "."
                                   << "5" << 1;
    QTest::newRow("blank refused") << "5"
                                   << " "
                                   << "5" << 1;
}

void TestNumericEdit::intKeyFilter()
{
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    QFETCH(int, beeps);
    ScriptedPrompts prompts;
    TIntEdit edit(prompts);
    edit.setText(start);
    QTest::keyClicks(&edit, typed);
    QCOMPARE(edit.text(), result);
    QCOMPARE(prompts.Beeps, beeps);
}

void TestNumericEdit::intValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value");
    QTest::newRow("empty") << "" << qint64(0);
    QTest::newRow("lone minus") << "-" << qint64(0);
    QTest::newRow("plus sign") << "+7" << qint64(7);
    QTest::newRow("negative") << "-2147483648" << qint64(-2147483648LL);
    QTest::newRow("beyond 32 bits") << "2147483648" << qint64(0);
    QTest::newRow("sign inside") << "1-2" << qint64(0);
}

void TestNumericEdit::intValue()
{
    QFETCH(QString, text);
    QFETCH(qint64, value);
    ScriptedPrompts prompts;
    TIntEdit edit(prompts);
    QCOMPARE(edit.text(), QStringLiteral("0"));
    edit.setText(text);
    QCOMPARE(edit.Value(), value);
    edit.SetValue(-42);
    QCOMPARE(edit.text(), QStringLiteral("-42"));
    QVERIFY(prompts.Messages.isEmpty());
}

void TestNumericEdit::floatKeyFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("beeps");
    QTest::newRow("number") << "-1.5"
                            << "-1.5" << 0;
    QTest::newRow("second separator") << "1..5"
                                      << "1.5" << 1;
    QTest::newRow("letter") << "2x"
                            << "2" << 1;
    QTest::newRow("other separator") << "2,"
                                     << "2" << 1;
}

void TestNumericEdit::floatKeyFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, result);
    QFETCH(int, beeps);
    ScriptedPrompts prompts;
    TFloatEdit edit(prompts);
    edit.clear();
    QTest::keyClicks(&edit, typed);
    QCOMPARE(edit.text(), result);
    QCOMPARE(prompts.Beeps, beeps);
}

void TestNumericEdit::floatValue()
{
    ScriptedPrompts prompts;
    TFloatEdit edit(prompts);
    QCOMPARE(edit.text(), QStringLiteral("0.0"));
    edit.SetValue(0.25L);
    QCOMPARE(edit.text(), QStringLiteral("0.3")); // an exact half rounds away from zero
    edit.SetValue(20);
    QCOMPARE(edit.text(), QStringLiteral("20.0"));
    edit.SetMaxDecimals(2);
    QCOMPARE(edit.text(), QStringLiteral("20.00"));
    for (const char *t : {"", "-"}) {
        edit.setText(QString::fromLatin1(t));
        QCOMPARE(edit.Value(), 0.0L);
    }
    QVERIFY(prompts.Messages.isEmpty());
}

void TestNumericEdit::floatOtherSeparatorShowsConversionError()
{
    ScriptedPrompts prompts;
    TFloatEdit edit(prompts);
    edit.setText(QStringLiteral("0,0"));
    QCOMPARE(edit.Value(), 0.0L);
    QCOMPARE(prompts.Messages.size(), 1);
    QCOMPARE(prompts.Messages[0].Kind, TMsgKind::Plain);
    QCOMPARE(prompts.Messages[0].Text, QStringLiteral("EConvertError\r'0,0' is not a valid floating point value"));
}

void TestNumericEdit::floatLeavingReformats()
{
    ScriptedPrompts prompts;
    QWidget form;
    auto *edit = new TFloatEdit(prompts, &form);
    auto *other = new QLineEdit(&form);
    other->move(0, 40);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    edit->setFocus();
    edit->setText(QStringLiteral("3"));
    QSignalSpy finished(edit, &QLineEdit::editingFinished);
    other->setFocus();
    QTRY_COMPARE(edit->text(), QStringLiteral("3.0"));
    QCOMPARE(finished.size(), 1);
}

void TestNumericEdit::floatCommaLocale()
{
    UserLocale comma;
    comma.DecimalSeparator = QLatin1Char(',');
    UserLocale::SetCurrent(comma);
    ScriptedPrompts prompts;
    TFloatEdit edit(prompts);
    QCOMPARE(edit.text(), QStringLiteral("0,0"));
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("1.2,5"));
    QCOMPARE(edit.text(), QStringLiteral("12,5"));
    QCOMPARE(edit.Value(), 12.5L);
}

QTEST_MAIN(TestNumericEdit)
#include "tst_numericedit.moc"
