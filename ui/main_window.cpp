#include "ui/main_window.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <memory>
#include <new>

#include "engine/occurrence_search.h"
#include "engine/replacement.h"
#include "ui/gbk_text.h"
#include "ui/result_list.h"

namespace varnolt::ui {
namespace {

constexpr const char* statusLine = "标签1";
constexpr std::uint32_t red = 255;
constexpr std::uint32_t black = 0;

// Shown while a handler works through a file that may be hundreds of MiB.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

void releaseFile(void* file) { static_cast<LoadedFile*>(file)->release(); }

}  // namespace

MainWindow::MainWindow(LoadedFile& file, PlatformDialogs& dialogs)
    : file_(file),
      services_(window_),
      results_(*window_.control<ResultList>("超级列表框1")),
      dialog_(dialogs, &window_) {
    dropTarget_.setObjectName(QStringLiteral("拖放对象1"));
    dialog_.setObjectName(QStringLiteral("通用对话框1"));
    connect(&dropTarget_, &FileDropTarget::filesDropped, this, &MainWindow::onFileDropped);
    const auto bind = [this](const char* button, void (MainWindow::*handler)()) {
        connect(window_.control<QPushButton>(button), &QPushButton::clicked, this, handler);
    };
    bind("按钮搜索", &MainWindow::onSearchClicked);
    bind("按钮修改", &MainWindow::onModifyClicked);
    bind("按钮保存", &MainWindow::onSaveClicked);
    bind("按钮全选", &MainWindow::onSelectAllClicked);
    bind("按钮全不选", &MainWindow::onSelectNoneClicked);
    onCreated();
}

void MainWindow::setStatus(const char* message) {
    services_.setCaption(statusLine, toGbk(QString::fromUtf8(message)));
}

void MainWindow::flashStatus() {
    for (int cycle = 0; cycle < 3; ++cycle) {
        services_.setTextColour(statusLine, red);
        pauseWithEvents(50);
        services_.setTextColour(statusLine, black);
        pauseWithEvents(50);
    }
}

void MainWindow::onCreated() {
    services_.setWidth(415);
    services_.setHeight(150);
    services_.moveControl(statusLine, 8, 95, 392, 24);
    dropTarget_.bindTo(services_.nativeHandle());
    services_.centre();
}

void MainWindow::onFileDropped(const Text& path) {
    bool read = false;
    {
        WaitCursor wait;
        read = file_.load(path);
    }
    if (read) {
        setStatus("状态：文件读入完成！");
        return;
    }
    // The working copy stays as it was, so an unsaved patch survives a bad drop.
    setStatus("状态：文件读入失败！");
    flashStatus();
}

void MainWindow::onSearchClicked() {
    if (!file_.isLoaded()) {
        flashStatus();
        return;
    }
    const Text searchText = services_.readText("编辑框搜索");
    if (searchText.empty()) {
        setStatus("状态：请输入搜索文本！");
        flashStatus();
        return;
    }
    {
        WaitCursor wait;
        results_.clearRows();
        const std::vector<ResultRow> rows = searchOccurrences(
            file_.buffer(), searchText, services_.readText("编辑框前文长度"), services_.readText("编辑框后文长度"));
        for (const ResultRow& row : rows) {
            const std::int32_t r = results_.appendRow(row.number);
            results_.setCellText(r, 1, row.before);
            results_.setCellText(r, 2, row.found);
            results_.setCellText(r, 3, row.after);
            results_.setCellText(r, 4, row.position);
        }
    }
    if (results_.rowCount() == 0) {
        setStatus("状态：未找到(加壳软件请脱壳)");
        flashStatus();
        return;
    }
    services_.setWidth(915);
    services_.setHeight(300);
    services_.moveControl(statusLine, 8, 239, 395, 24);
    services_.setVisible("分组框2", true);
    services_.centre();
}

void MainWindow::onModifyClicked() {
    if (!file_.isLoaded()) {
        flashStatus();
        return;
    }
    ReplaceOutcome outcome = ReplaceOutcome::done;
    {
        WaitCursor wait;
        outcome = replaceChecked(file_, results_, services_.readText("编辑框修改"), services_.readText("编辑框搜索"));
    }
    switch (outcome) {
        case ReplaceOutcome::emptyReplacement:
            setStatus("状态：请输入简单点搜索，如果未找到或许加壳了!");
            flashStatus();
            return;
        case ReplaceOutcome::replacementTooLong:
            setStatus("状态：用做替换的文本不能比搜索文本长!");
            flashStatus();
            return;
        case ReplaceOutcome::done:
            setStatus("状态：修改完成");
            return;
    }
}

void MainWindow::onSaveClicked() {
    if (!file_.isLoaded()) {
        flashStatus();
        return;
    }
    if (!dialog_.showModal()) return;
    bool saved = false;
    {
        WaitCursor wait;
        saved = file_.save(dialog_.fileName());
    }
    if (saved) {
        setStatus("状态：文件保存成功");
        return;
    }
    // Never leave an earlier success standing as this save's result.
    setStatus("状态：文件保存失败！");
    flashStatus();
}

void MainWindow::checkAll(std::int32_t state) {
    const std::int32_t n = results_.rowCount();
    for (std::int32_t i = 1; i <= n; ++i) results_.setChecked(i - 1, state);
}

int runProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    QtPlatformDialogs dialogs;
    ProgramFrame frame(dialogs);
    LoadedFile file;
    frame.registerExitRoutine(releaseFile, &file);
    std::unique_ptr<MainWindow> main;
    try {
        main = std::make_unique<MainWindow>(file, dialogs);
    } catch (const std::bad_alloc&) {
        frame.reportFatalError(toGbk(QStringLiteral("载入启动窗口失败")), 0);
    }
    main->show();
    frame.runEventLoop();
    return frame.end();
}

}  // namespace varnolt::ui
