#include "accessiblename.h"

#include <QWidget>

QWidget* nameAfterLabel(QWidget* widget, const QString& label)
{
    QString name = label.trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name = name.chopped(1).trimmed();
    widget->setAccessibleName(name);
    return widget;
}
