#include <QApplication>
#include <QDir>

#include "ui/main_window_layout.h"
#include "ui/window_services.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    varnolt::ui::QtPlatformDialogs dialogs;
    varnolt::ui::ProgramFrame frame(dialogs);
    varnolt::ui::LayoutWindow window;
    varnolt::ui::WindowServices services(window);
    services.showWindow();
    frame.runEventLoop();
    return frame.end();
}
