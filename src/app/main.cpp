#include "views/common/Appearance.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvane"));
    QApplication::setOrganizationName(QStringLiteral("Morvane"));
    Appearance::install();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Morvane"));
    window.resize(1100, 700);
    window.setMinimumSize(900, 600);
    window.show();
    return QApplication::exec();
}
