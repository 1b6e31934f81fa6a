#pragma once
// Replies are matched to commands by order only; a late reply to an earlier command can arrive
// while the next one waits. A reply that contradicts its command is not its answer: it must
// repeat the command's two words, and the arguments that the command table says the meter echoes
// (the index of "GET CONFIG", the reading index of "GET READING", the row and column of "GET C").
// Nothing else of a reply is relied on. Refusals carry nothing to check and are always taken.

#include <QString>

bool ReplyAnswers(const QString &command, const QString &reply);
// "ERR", "P?", "C?", or "ERR" with a code.
bool IsRefusal(const QString &reply);
// The two command words, upper case, one blank between them.
QString CommandKey(const QString &command);
