#include "dialogs/NumericEdit.h"

#include "model/Conversions.h"
#include "model/Errors.h"
#include "model/Prompts.h"
#include "model/UserLocale.h"

#include <QKeyEvent>

namespace {

// The one character a key press types, or none for keys that only move or edit (arrows, Delete)
// and for shortcuts that the platform handles before typing.
std::optional<QChar> TypedChar(const QKeyEvent *event)
{
    const QString text = event->text();
    if (text.size() != 1 || event->key() == Qt::Key_Delete)
        return std::nullopt;
    return text.front();
}

bool IsDigitOrSign(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') || c == QLatin1Char('-');
}

} // namespace

TIntEdit::TIntEdit(Prompts &prompts, QWidget *parent)
    : QLineEdit(QStringLiteral("0"), parent)
    , FPrompts(prompts)
{
    setAlignment(Qt::AlignLeft);
    resize(33, height());
}

qint64 TIntEdit::Value() const
{
    return TryStrToInt(text()).value_or(0);
}

void TIntEdit::SetValue(qint64 value)
{
    setText(QString::number(value));
}

void TIntEdit::keyPressEvent(QKeyEvent *event)
{
    const auto c = TypedChar(event);
    if (c && !(c->unicode() == 8 || c->unicode() == 13 || IsDigitOrSign(*c))) {
        FPrompts.Beep();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

TFloatEdit::TFloatEdit(Prompts &prompts, QWidget *parent)
    : QLineEdit(parent)
    , FPrompts(prompts)
{
    setAlignment(Qt::AlignLeft);
    setText(QStringLiteral("0") + UserLocale::Current().DecimalSeparator + QStringLiteral("0"));
}

long double TFloatEdit::Value() const
{
    const QString t = text();
    if (t.isEmpty() || t == QLatin1String("-"))
        return 0;
    try {
        return StrToFloat(t);
    } catch (const ConvertError &e) {
        FPrompts.Message(TMsgKind::Plain, e.className() + QLatin1Char('\r') + e.message(), TMsgButtons::Ok);
        return 0;
    }
}

void TFloatEdit::SetValue(long double value)
{
    setText(FormatFixed(static_cast<double>(value), FMaxDecimals));
}

void TFloatEdit::SetMaxDecimals(int value)
{
    if (value == FMaxDecimals)
        return;
    FMaxDecimals = value;
    SetValue(Value());
}

void TFloatEdit::keyPressEvent(QKeyEvent *event)
{
    const auto c = TypedChar(event);
    if (c && c->unicode() >= 32 && !IsDigitOrSign(*c)) {
        const QChar separator = UserLocale::Current().DecimalSeparator;
        if (*c != separator || text().contains(separator)) {
            FPrompts.Beep();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TFloatEdit::focusOutEvent(QFocusEvent *event)
{
    SetValue(Value());
    QLineEdit::focusOutEvent(event);
}
