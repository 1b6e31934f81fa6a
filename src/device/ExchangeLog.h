#pragma once
// The diagnostic lines of the command exchange. Off by default; switch them on with
// QT_LOGGING_RULES="vornell.exchange.debug=true".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcExchange)
