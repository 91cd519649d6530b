#include "drui.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    DRUI window;
    window.Init();
    window.show();
    return app.exec();
}
