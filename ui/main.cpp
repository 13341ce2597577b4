#include <QApplication>

#include "chart/surface.h"
#include "ui/form1.h"
#include "ui/translations.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    chart::installFontSubstitutes();
    installGermanTranslations(application);
    Form1 window;
    window.Form_Load();
    window.show();
    // Takes the keyboard also where no window manager hands it over.
    window.activateWindow();
    return QApplication::exec();
}
