#include "splashresources.h"

#include <QtGlobal>

void initResourceBundle()
{
    Q_INIT_RESOURCE(vesperline);
}
