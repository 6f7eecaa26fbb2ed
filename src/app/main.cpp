#include <QApplication>
#include <QMainWindow>
#include "log/log.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Logger::init(QString(), Logger::DEBUG);
    QMainWindow w;
    w.show();
    return app.exec();
}
