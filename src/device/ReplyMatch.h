#pragma once
// Replies are matched to commands by order only; a late reply to an earlier command can arrive
// while the next one waits. A reply that contradicts its command is not its answer: it must
// repeat the command's two words, and the arguments the meter is known to echo (the index of
// "GET CONFIG", the reading index of "GET READING", the row and column of "GET C"). Nothing else
// of a reply is relied on: the field of "GET READING" before the index is not used by the meter
// and may hold anything. Refusals carry nothing to check and are always taken.

#include <QString>

bool ReplyAnswers(const QString &command, const QString &reply);
// "ERR", "P?", "C?", or "ERR" with a code.
bool IsRefusal(const QString &reply);
// The two command words, upper case, one blank between them.
QString CommandWords(const QString &command);
