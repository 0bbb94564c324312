// The memory baseline of the side-by-side runs: an empty Qt window the size of Quorvin's.
#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(668, 625);
    window.show();
    return app.exec();
}
