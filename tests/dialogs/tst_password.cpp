// The password dialog against the simulated meter: the change with the four digit commands, each
// refusal with nothing written, an invalid new password and the command without a connection.
#include "DialogRig.h"
#include "dialogs/frmPassword.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

const QStringList ReadPassword = {"GET CONFIG 12", "GET CONFIG 13", "GET CONFIG 14", "GET CONFIG 15"};
const QString Failure = QStringLiteral("A problem occurred in Vornell, the messages was:\r\n");

struct Typed {
    QString old, first, second;
};

// A connected meter with the password 1234; the dialog is given the typed texts and Change is pressed.
struct PasswordRig : SimRig {
    using SimRig::SimRig;
    bool stillOpen = false;
    QStringList fieldsAfter;

    bool Change(const Typed &t)
    {
        comm.Connect(false);
        Mark();
        WhenShown<TfrmPassword> act([&](TfrmPassword &d) {
            d.Edit1->setText(t.old);
            d.Edit2->setText(t.first);
            d.Edit3->setText(t.second);
            d.Button1->click();
            stillOpen = d.isVisible();
            fieldsAfter = QStringList{d.Edit1->text(), d.Edit2->text(), d.Edit3->text()};
            if (stillOpen)
                d.Button2->click();
        });
        ShowChangePassword(comm, prompts, nullptr);
        return act.Reached();
    }
};

} // namespace

Q_DECLARE_METATYPE(Typed)

class TestPassword : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("VORNELL_SYSTEM_PORTS", "0"), qputenv("VORNELL_SERIAL_PORTS", ""); }
    void fieldsAreMaskedAndEmptiedOnShow();
    void changeWritesFourDigits();
    void refusals_data();
    void refusals();
    void invalidNewPasswordKeepsDialogOpen();
    void meterFailsWhileReading();
    void withoutConnection();
};

void TestPassword::fieldsAreMaskedAndEmptiedOnShow()
{
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts);
    TfrmPassword d(comm, prompts);
    QCOMPARE(d.windowTitle(), QStringLiteral("  Change Password"));
    QCOMPARE(d.Button1->text(), QStringLiteral("Change"));
    QCOMPARE(d.Button2->text(), QStringLiteral("Close"));
    QCOMPARE(d.Edit1->maxLength(), 4);
    QCOMPARE(d.Edit2->maxLength(), 4);
    QVERIFY(d.Edit3->maxLength() > 4);
    for (QLineEdit *e : {d.Edit1, d.Edit2, d.Edit3})
        e->setText(QStringLiteral("12"));
    d.show();
    for (QLineEdit *e : {d.Edit1, d.Edit2, d.Edit3})
        QCOMPARE(e->text(), QString());
    QTest::keyClicks(d.Edit3, QStringLiteral("123456"));
    QCOMPARE(d.Edit3->text(), QStringLiteral("123456"));
    QCOMPARE(d.Edit3->displayText(), QStringLiteral("||||||"));
    QTest::keyClicks(d.Edit1, QStringLiteral("98765"));
    QCOMPARE(d.Edit1->text(), QStringLiteral("9876"));
    QCOMPARE(d.Edit1->displayText(), QStringLiteral("||||"));
    d.Button2->click();
    QVERIFY(!d.isVisible());
    QVERIFY(prompts.Messages.isEmpty());
}

void TestPassword::changeWritesFourDigits()
{
    PasswordRig r;
    QVERIFY(r.Change({"1234", "5678", "5678"}));
    QCOMPARE(r.prompts.Texts(), QStringList{QStringLiteral("Password changed")});
    QCOMPARE(r.prompts.Messages[0].Kind, TMsgKind::Plain);
    const QStringList written{"SET CONFIG 12 5", "SET CONFIG 13 6", "SET CONFIG 14 7", "SET CONFIG 15 8"};
    QCOMPARE(r.Sent(), ReadPassword + written);
    QVERIFY(!r.stillOpen);
    QCOMPARE(r.fieldsAfter, (QStringList{"", "", ""}));
    QCOMPARE(r.comm.GetPassword(), QStringLiteral("5678"));
}

void TestPassword::refusals_data()
{
    QTest::addColumn<Typed>("typed");
    QTest::newRow("wrong old password") << Typed{"4321", "5678", "5678"};
    QTest::newRow("new ones differ") << Typed{"1234", "5678", "5679"};
    QTest::newRow("three characters") << Typed{"1234", "567", "567"};
    QTest::newRow("repetition longer") << Typed{"1234", "5678", "56789"};
    QTest::newRow("old one short") << Typed{"123", "5678", "5678"};
    QTest::newRow("nothing typed") << Typed{"", "", ""};
}

void TestPassword::refusals()
{
    QFETCH(Typed, typed);
    PasswordRig r;
    QVERIFY(r.Change(typed));
    QCOMPARE(r.prompts.Texts(), QStringList{QStringLiteral("Password NOT changed!")});
    QCOMPARE(r.Sent(), ReadPassword); // asked first, nothing written
    QVERIFY(!r.stillOpen);
    QCOMPARE(r.fieldsAfter, (QStringList{"", "", ""}));
}

void TestPassword::invalidNewPasswordKeepsDialogOpen()
{
    PasswordRig r;
    QVERIFY(r.Change({"1234", "56a8", "56a8"}));
    QCOMPARE(r.prompts.Texts(), QStringList{Failure + QStringLiteral("The new password is invalid.")});
    QCOMPARE(r.Sent(), ReadPassword);
    QVERIFY(r.stillOpen);
    QCOMPARE(r.fieldsAfter, (QStringList{"1234", "56a8", "56a8"}));
}

void TestPassword::meterFailsWhileReading()
{
    // The line goes away after the second digit was read: reported, the dialog stays, nothing written.
    PasswordRig r({QStringLiteral("--drop-after"), QStringLiteral("3")});
    QVERIFY(r.Change({"1234", "5678", "5678"}));
    QCOMPARE(r.prompts.Texts().size(), 1);
    QVERIFY2(r.prompts.Texts()[0].startsWith(Failure), qPrintable(r.prompts.Texts()[0]));
    QVERIFY(r.stillOpen);
    QCOMPARE(r.Sent(), ReadPassword.mid(0, 2));
}

void TestPassword::withoutConnection()
{
    SimRig r; // a meter is there, but not connected
    WhenShown<TfrmPassword> never([](TfrmPassword &d) { d.reject(); });
    ShowChangePassword(r.comm, r.prompts, nullptr);
    QVERIFY(!never.Reached());
    QCOMPARE(r.prompts.Texts(), QStringList{QStringLiteral("Please make a connection first!")});
    QCOMPARE(r.prompts.Messages[0].Kind, TMsgKind::Plain);
    QVERIFY(r.Log().isEmpty());
}

QTEST_MAIN(TestPassword)
#include "tst_password.moc"
