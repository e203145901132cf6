// The program's frame run as a process, for window_services_test to watch
// how it ends. Prints what the error box would have shown and whether the
// exit routine ran.
//   program_child fatal        out-of-memory in the engine while running
//   program_child close-flash  the window closed while a handler's flash pauses
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "ui/main_window.h"

namespace {

class PrintedDialogs final : public varnolt::ui::PlatformDialogs {
public:
    std::optional<QString> askSaveFileName(QWidget*, const QString&) override { return std::nullopt; }
    void showErrorBox(const QString& title, const QString& text) override {
        std::printf("%s\n%s", title.toUtf8().constData(), text.toUtf8().constData());
        std::fflush(stdout);
    }
};

void say(void* line) {
    std::printf("%s\n", static_cast<const char*>(line));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    PrintedDialogs dialogs;
    varnolt::ui::ProgramFrame frame(dialogs);
    frame.registerExitRoutine(say, const_cast<char*>("exit routine ran"));
    if (argc > 1 && std::strcmp(argv[1], "fatal") == 0) varnolt::failAllocation(123);

    varnolt::LoadedFile file;
    varnolt::ui::MainWindow main(file, dialogs);
    main.show();
    // Search before any drop flashes; the window is closed halfway through.
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(100, &main.window(), &QWidget::close);
        main.onSearchClicked();
        say(const_cast<char*>("handler returned"));
    });
    frame.runEventLoop();
    say(const_cast<char*>("event loop returned"));
    return frame.end();
}
