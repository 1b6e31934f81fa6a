#pragma once
// Single-line fields for whole and decimal numbers. The text is the state: Value is parsed from it on
// every read and written into it on every set. A key filter refuses characters that cannot belong to
// a number, with the warning sound.

#include <QLineEdit>

class Prompts;

class TIntEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TIntEdit(Prompts &prompts, QWidget *parent = nullptr);

    // 0 when the text is not a signed 32-bit integer; never reports anything.
    qint64 Value() const;
    void SetValue(qint64 value);
    Qt::Alignment Alignment() const { return alignment(); }
    void SetAlignment(Qt::Alignment value) { setAlignment(value); }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Prompts &FPrompts;
};

class TFloatEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TFloatEdit(Prompts &prompts, QWidget *parent = nullptr);

    // Empty text and a lone "-" read 0; a text that does not convert shows the conversion message and
    // reads 0.
    long double Value() const;
    void SetValue(long double value);
    int MaxDecimals() const { return FMaxDecimals; }
    void SetMaxDecimals(int value);
    Qt::Alignment Alignment() const { return alignment(); }
    void SetAlignment(Qt::Alignment value) { setAlignment(value); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    Prompts &FPrompts;
    int FMaxDecimals = 1;
};
