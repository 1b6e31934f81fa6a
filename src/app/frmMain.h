#pragma once
// The main window: a multiple-document window holding the batch tree and the batch windows.

#include <QMainWindow>

class QMdiArea;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);

private:
    QMdiArea *FMdiArea;
};
