#include "okcancelbuttons.h"

#include "res/accessiblename.h"

#include <QDialog>
#include <QPushButton>

OkCancelButtons makeOkCancelButtons(QDialog* dialog)
{
    auto* ok = new QPushButton(QDialog::tr("OK"), dialog);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QDialog::tr("Cancel"), dialog);
    nameAfterLabel(ok, ok->text());
    nameAfterLabel(cancel, cancel->text());
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return { ok, cancel };
}
