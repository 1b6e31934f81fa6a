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

// program: another build of vornell-cli (a copy elsewhere); env: the environment it runs in.
inline Run Cli(const QStringList &args, const QString &program = QStringLiteral(VORNELL_CLI),
               const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
