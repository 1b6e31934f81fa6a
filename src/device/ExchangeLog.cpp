#include "device/ExchangeLog.h"

Q_LOGGING_CATEGORY(lcExchange, "vornell.exchange", QtInfoMsg)
