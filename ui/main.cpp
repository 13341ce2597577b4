#include <QApplication>

#include "form1.h"
#include "surface.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    chart::installFontSubstitutes();
    Form1 window;
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
