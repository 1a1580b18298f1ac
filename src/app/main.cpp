#include "app/LogOutput.h"
#include "app/MorvaneApp.h"
#include "services/FileService.h"
#include "state/common/LocalizationManager.h"

#include <QApplication>
#include <QDesktopServices>

int main(int argc, char* argv[])
{
    LogOutput::install();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvane"));
    QApplication::setOrganizationName(QStringLiteral("Morvane"));
    // The core library never links the GUI, so the application hands it the desktop's
    // way of opening an address (the service checks the address first).
    FileService::setUrlOpener([](const QUrl& url) { QDesktopServices::openUrl(url); });
    // Settled before the first request, which the sign-in state sends as it is made:
    // the server answers in the interface language from the start.
    LocalizationManager::shared();
    MorvaneApp morvane;
    morvane.show();
    return QApplication::exec();
}
