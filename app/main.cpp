// tavrin-studio: the application.
#include "app/widgets/CTavrinApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    CTavrinApp app;
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (!app.InitInstance(arguments))
        return 1;
    return QApplication::exec();
}
