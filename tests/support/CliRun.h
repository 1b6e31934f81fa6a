#pragma once
// Runs vornell-cli as a user's script does and keeps its exit status and output.

#include <QProcess>
#include <QStringList>

#ifndef VORNELL_CLI
#error "VORNELL_CLI must name the vornell-cli executable"
#endif

struct Run {
    int Status = -1; // -1: it crashed or hung
    QString Out;
    QString Err;
};

inline Run Cli(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(VORNELL_CLI), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
