#include "app/VindraApp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    VindraApp vindra(application);
    return QApplication::exec();
}
