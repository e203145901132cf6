// The main window's behaviour: start-up, the handlers of its events, the
// status line with its fixed messages and flash, the compact and expanded
// layouts.
#pragma once

#include <QObject>

#include "engine/loaded_file.h"
#include "ui/main_window_layout.h"
#include "ui/window_services.h"

namespace varnolt::ui {

class ResultList;

class MainWindow : public QObject {
    Q_OBJECT
public:
    // Builds the window hidden and runs onCreated; show() then shows it.
    MainWindow(LoadedFile& file, PlatformDialogs& dialogs);

    void show() { services_.showWindow(); }

    LayoutWindow& window() { return window_; }
    WindowServices& services() { return services_; }
    ResultList& results() { return results_; }
    FileDropTarget& dropTarget() { return dropTarget_; }

    void onCreated();
    void onFileDropped(const Text& path);
    void onSearchClicked();
    void onModifyClicked();
    void onSaveClicked();
    void onSelectAllClicked() { checkAll(1); }
    void onSelectNoneClicked() { checkAll(0); }

private:
    void setStatus(const char* message);
    // Three cycles of red and black text, dispatching events meanwhile; every
    // handler that flashes does so as its very last step.
    void flashStatus();
    void checkAll(std::int32_t state);

    LoadedFile& file_;
    LayoutWindow window_;
    WindowServices services_;
    ResultList& results_;
    FileDropTarget dropTarget_;
    FileDialog dialog_;
};

// The program from start to end: the process's exit code.
int runProgram(int argc, char** argv);

}  // namespace varnolt::ui
