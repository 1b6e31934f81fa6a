#pragma once
// Replies are matched to commands by order only; a late reply to an earlier command can arrive
// while the next one waits. A reply that contradicts its command is not its answer: it must
// repeat the command's two words, and the arguments the meter echoes (the index of
// "GET CONFIG", the batch ID and reading index of "GET READING", the row and column of "GET C").
// Refusals carry nothing to check and are always taken.

#include <QString>

bool ReplyAnswers(const QString &command, const QString &reply);
