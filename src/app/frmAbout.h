#pragma once
// The about box, also shown as the splash while the application starts.

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget *parent = nullptr);

    QPushButton *btnClose;
    QLabel *lblVersion;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
};
