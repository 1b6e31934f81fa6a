#pragma once
// Derives the validation fluid's temperature coefficient from its conductivity at 25 °C and at a
// second temperature, with the linear model C(T) = C(25) x (1 + alpha/100 x (T - 25)).

#include <QDialog>

class Prompts;
class QPushButton;
class TFloatEdit;
class TIntEdit;

class TfrmCalcTempCoef : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCalcTempCoef(Prompts &prompts, QWidget *parent = nullptr);

    // alpha := (C2 - C1) / (T2 - T1) / C1 x 100 into fedtTempCoef; raises the arithmetic errors when
    // T2 equals T1, leaving the field as it was.
    void Calculate();

    TIntEdit *iedtTemp1;
    TIntEdit *iedtConductivity1;
    TIntEdit *iedtTemp2;
    TIntEdit *iedtConductivity2;
    TFloatEdit *fedtTempCoef;
    QPushButton *btnCalculate;
    QPushButton *btnOk;
    QPushButton *btnCancel;

private:
    void btnCalculateClick();
    void btnOkClick();

    Prompts &FPrompts;
};
