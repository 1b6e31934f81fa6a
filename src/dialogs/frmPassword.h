#pragma once
// Changes the meter's four-digit password: the old one typed once, the new one twice, all masked.

#include <QDialog>

class Prompts;
class QLineEdit;
class QPushButton;
class TdmCommunication;

class TfrmPassword : public QDialog {
    Q_OBJECT
public:
    TfrmPassword(TdmCommunication &communication, Prompts &prompts, QWidget *parent = nullptr);

    // Asks the meter for its password first, then writes the new one only when every test holds, and
    // closes; a failure of the meter or an invalid new password keeps the dialog open.
    void Button1Click();

    QLineEdit *Edit1; // old password
    QLineEdit *Edit2; // new password
    QLineEdit *Edit3; // new password again
    QPushButton *Button1;
    QPushButton *Button2;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void ClearFields();

    TdmCommunication &FCommunication;
    Prompts &FPrompts;
};

// The "Change Password" command: only with a meter connected.
void ShowChangePassword(TdmCommunication &communication, Prompts &prompts, QWidget *parent);
