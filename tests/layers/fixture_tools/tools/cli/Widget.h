// A tool that would draw a widget.
#include <QLabel>
#include <QString>
