// Ends through the engine's out-of-memory path while a program frame is
// installed; prints what the error box would have shown and whether the exit
// routine ran, for window_services_test to check.
#include <QApplication>
#include <cstdio>

#include "ui/window_services.h"

namespace {

class PrintedDialogs final : public varnolt::ui::PlatformDialogs {
public:
    std::optional<QString> askSaveFileName(QWidget*, const QString&) override { return std::nullopt; }
    void showErrorBox(const QString& title, const QString& text) override {
        std::printf("%s\n%s", title.toUtf8().constData(), text.toUtf8().constData());
        std::fflush(stdout);
    }
};

void exitRoutine(void*) {
    std::printf("exit routine ran\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    PrintedDialogs dialogs;
    varnolt::ui::ProgramFrame frame(dialogs);
    frame.registerExitRoutine(exitRoutine, nullptr);
    varnolt::failAllocation(123);
}
