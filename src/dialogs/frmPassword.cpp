#include "dialogs/frmPassword.h"

#include "device/Communication.h"
#include "dialogs/Placement.h"
#include "model/Prompts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace {

QLineEdit *MaskedField(QWidget *parent, int maxLength)
{
    auto *f = new QLineEdit(parent);
    f->setEchoMode(QLineEdit::Password);
    f->setStyleSheet(QStringLiteral("lineedit-password-character: 124")); // every character shows as "|"
    if (maxLength > 0)
        f->setMaxLength(maxLength);
    f->setFixedWidth(61);
    return f;
}

} // namespace

TfrmPassword::TfrmPassword(TdmCommunication &communication, Prompts &prompts, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , Edit1(MaskedField(this, 4))
    , Edit2(MaskedField(this, 4))
    , Edit3(MaskedField(this, 0)) // the repetition has no limit: a longer text simply fails the test
    , Button1(new QPushButton(QStringLiteral("Change"), this))
    , Button2(new QPushButton(QStringLiteral("Close"), this))
    , FCommunication(communication)
    , FPrompts(prompts)
{
    setWindowTitle(QStringLiteral("  Change Password"));
    setModal(true);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("old Password"), this), 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("new Password"), this), 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("new Password"), this), 2, 0);
    grid->addWidget(Edit3, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(Button1, &QPushButton::clicked, this, &TfrmPassword::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    CentreOverParent(*this);
}

void TfrmPassword::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ClearFields();
}

void TfrmPassword::ClearFields()
{
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
}

void TfrmPassword::Button1Click()
{
    try {
        const QString current = FCommunication.GetPassword();
        // Which test failed is not told.
        const bool valid = Edit1->text().size() == 4 && Edit2->text().size() == 4 && Edit3->text().size() == 4 &&
                           Edit2->text() == Edit3->text() && current == Edit1->text();
        const bool changed = valid && FCommunication.SetPassword(Edit2->text());
        ClearFields();
        FPrompts.Message(TMsgKind::Plain,
                         changed ? QStringLiteral("Password changed") : QStringLiteral("Password NOT changed!"),
                         TMsgButtons::Ok);
        accept();
    } catch (const std::exception &e) {
        HandleAppException(FPrompts, e);
    }
}

void ShowChangePassword(TdmCommunication &communication, Prompts &prompts, QWidget *parent)
{
    if (!communication.Connected()) {
        prompts.Message(TMsgKind::Plain, QStringLiteral("Please make a connection first!"), TMsgButtons::Ok);
        return;
    }
    TfrmPassword dialog(communication, prompts, parent);
    dialog.exec();
}
