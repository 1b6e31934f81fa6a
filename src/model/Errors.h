#pragma once
// Failures above the link layers travel as exceptions carrying the system's own message text.
// Every handler catches std::exception and shows MessageOf(it).

#include <QString>
#include <stdexcept>

class Error : public std::runtime_error {
public:
    explicit Error(const QString &message)
        : std::runtime_error(message.toStdString())
        , FMessage(message)
    {}
    const QString &message() const noexcept { return FMessage; }
    // The class name that one message box shows beside the text.
    virtual QString className() const { return QStringLiteral("Exception"); }

private:
    QString FMessage;
};

// A text that does not convert to a number, date or time.
class ConvertError : public Error {
public:
    using Error::Error;
    QString className() const override { return QStringLiteral("EConvertError"); }
};

inline QString MessageOf(const std::exception &e)
{
    if (const auto *error = dynamic_cast<const Error *>(&e))
        return error->message();
    return QString::fromUtf8(e.what());
}
