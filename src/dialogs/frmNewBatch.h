#pragma once
// Asks for the name and the maximum number of readings of a batch about to be created in the meter.
// Checks the keys as they are typed and the values once more when the user confirms.

#include <QDialog>

class Prompts;
class QLineEdit;
class QPushButton;

class TfrmNewBatch : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNewBatch(Prompts &prompts, QWidget *parent = nullptr);

    // Shows the dialog until valid values are confirmed (true, name padded to 12 characters) or the
    // user cancels (false, name and maxReadings untouched).
    bool Execute(QString &name, qint32 &maxReadings);
    // The check that follows a confirmation; false after its message.
    bool CheckAccepted(QString &name, qint32 &maxReadings);

    QLineEdit *edtBatchName;
    QLineEdit *edtMaxReadings;
    QPushButton *btnCreate;
    QPushButton *btnCancel;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool edtBatchNameKeyPress(QChar key);
    bool edtMaxReadingsKeyPress(QChar key);

    Prompts &FPrompts;
};
