#pragma once
// The file dialog of batch files, for saving and importing alike.

#include "model/Prompts.h"

// Both batch file types offered, workbooks first and added to a name typed without one, opening in
// folder; the caller adds what only saving or only importing needs.
TFileDialog BatchFileDialog(const QString &title, const QString &folder);
