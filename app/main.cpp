#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Vindra"));
    window.setMinimumSize(1000, 450);
    window.show();
    return QApplication::exec();
}
