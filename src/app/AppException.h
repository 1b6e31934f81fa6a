#pragma once
// The application object of the window program.

#include <QApplication>

class Prompts;

// Every event goes through notify; a failure escaping a handler ends there in HandleAppException.
class TVornellApplication : public QApplication {
    Q_OBJECT
public:
    TVornellApplication(int &argc, char **argv);
    // Where the failure box is shown; none until the main window installs it.
    void SetExceptionPrompts(Prompts *prompts) { FPrompts = prompts; }
    bool notify(QObject *receiver, QEvent *event) override;

    static TVornellApplication *Instance();

private:
    Prompts *FPrompts = nullptr;
};
