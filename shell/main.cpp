#include "realuiservices.h"
#include "splashresources.h"
#include "vesperlineapp.h"

#include "consoleui/allocator.h"
#include "res/texts.h"
#include "res/version.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    returnLargeBlocksToTheSystem();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(txt::AppTitle));
    QApplication::setOrganizationName(QString::fromLatin1(txt::AppTitle));
    QApplication::setApplicationVersion(QStringLiteral(VESPERLINE_VERSION));
    initResourceBundle();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vesperline.png")));
    RealUiServices ui;
    CVesperlineApp theApp(ui);
    return theApp.InitInstance(QApplication::arguments()) ? app.exec() : theApp.exitCode();
}
