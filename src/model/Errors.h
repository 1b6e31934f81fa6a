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

// The line to the meter is gone, or its replies could not be brought back in order: nothing more
// can be read until it is mended, so an operation over several batches stops at the first one.
class LinkError : public Error {
public:
    using Error::Error;
};

// Raises the same kind of failure again with another message.
[[noreturn]] inline void RaiseLike(const Error &e, const QString &message)
{
    if (dynamic_cast<const LinkError *>(&e))
        throw LinkError(message);
    if (dynamic_cast<const ConvertError *>(&e))
        throw ConvertError(message);
    throw Error(message);
}

inline QString MessageOf(const std::exception &e)
{
    if (const auto *error = dynamic_cast<const Error *>(&e))
        return error->message();
    return QString::fromUtf8(e.what());
}
