#include "dialogs/frmNewBatch.h"

#include "dialogs/Placement.h"
#include "model/Conversions.h"
#include "model/Prompts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int NameWidth = 12;
const QString ForbiddenNameChars = QStringLiteral(":\\/?*[]");
} // namespace

TfrmNewBatch::TfrmNewBatch(Prompts &prompts, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , edtBatchName(new QLineEdit(QStringLiteral("Batch_Name"), this))
    , edtMaxReadings(new QLineEdit(QStringLiteral("100"), this))
    , btnCreate(new QPushButton(QStringLiteral("&Create"), this))
    , btnCancel(new QPushButton(QStringLiteral("&Cancel"), this))
    , FPrompts(prompts)
{
    setWindowTitle(QStringLiteral(" New Batch"));
    setModal(true);
    edtBatchName->setMaxLength(20);
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Enter Batch Name:"), this), 0, 0);
    grid->addWidget(edtBatchName, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Enter Maximum Readings"), this), 1, 0);
    grid->addWidget(edtMaxReadings, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnCreate);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    btnCreate->setDefault(true);
    connect(btnCreate, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(edtMaxReadings, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text.isEmpty())
            edtMaxReadings->setText(QStringLiteral("0"));
    });
    edtBatchName->installEventFilter(this);
    edtMaxReadings->installEventFilter(this);
    setFixedSize(sizeHint());
    CentreOverParent(*this);
}

bool TfrmNewBatch::Execute(QString &name, qint32 &maxReadings)
{
    while (exec() == QDialog::Accepted) {
        if (CheckAccepted(name, maxReadings))
            return true;
    }
    return false;
}

bool TfrmNewBatch::CheckAccepted(QString &name, qint32 &maxReadings)
{
    const qint32 max = TryStrToInt(edtMaxReadings->text()).value_or(0);
    if (max < 1 || max > 100) {
        FPrompts.Message(TMsgKind::Plain, QStringLiteral("Enter a valig number between 1 and 100 for maximum Readings"),
                         TMsgButtons::Ok);
        return false;
    }
    if (edtBatchName->text().isEmpty()) {
        FPrompts.Message(TMsgKind::Plain, QStringLiteral("Enter a valid name"), TMsgButtons::Ok);
        return false;
    }
    maxReadings = max;
    name = edtBatchName->text().leftJustified(NameWidth, QLatin1Char(' '));
    return true;
}

bool TfrmNewBatch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || (watched != edtBatchName && watched != edtMaxReadings))
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        accept();
        return true;
    }
    const QString text = key->text();
    if (text.size() != 1 || key->key() == Qt::Key_Delete)
        return false; // moving and editing keys pass
    const QChar c = text.front();
    return watched == edtBatchName ? !edtBatchNameKeyPress(c) : !edtMaxReadingsKeyPress(c);
}

// Whether the field may take the character.
bool TfrmNewBatch::edtBatchNameKeyPress(QChar key)
{
    if (ForbiddenNameChars.contains(key)) {
        FPrompts.Message(
            TMsgKind::Warning,
            QStringLiteral("The Characters between quotes \": \\ / ? * [ ]\" are not allowed in a batch name."),
            TMsgButtons::Ok);
        return false;
    }
    if (key.unicode() >= 32 && edtBatchName->text().size() >= NameWidth) {
        FPrompts.Message(TMsgKind::Warning, QStringLiteral("Maximum length of name is 12 characters"), TMsgButtons::Ok);
        return false;
    }
    return true;
}

bool TfrmNewBatch::edtMaxReadingsKeyPress(QChar key)
{
    if (key.unicode() == 8 || (key >= QLatin1Char('0') && key <= QLatin1Char('9')))
        return true;
    if (key == QLatin1Char('-') && edtMaxReadings->cursorPosition() == 0 &&
        !edtMaxReadings->text().contains(QLatin1Char('-')))
        FPrompts.Message(TMsgKind::Warning, QStringLiteral("Negative numbers are not allowed."), TMsgButtons::Ok);
    return false;
}
