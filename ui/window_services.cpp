#include "ui/window_services.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdlib>

#include "ui/gbk_text.h"
#include "ui/main_window_layout.h"

namespace varnolt::ui {
namespace {

// Qt's save dialog confirms before replacing a file but takes new names;
// this one also refuses a name that does not exist yet.
class ExistingFileSaveDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QFileInfo info(files.front());
            if (!info.exists()) {
                QMessageBox::warning(this, windowTitle(),
                                     tr("%1\nFile not found.\nPlease verify the correct file name was given.")
                                         .arg(info.fileName()));
                return;
            }
        }
        QFileDialog::accept();
    }
};

std::int32_t clampOuter(std::int32_t value) { return std::clamp(value, 0, WindowServices::maxOuterSize); }

bool offersFiles(const QMimeData* data) {
    if (!data || !data->hasUrls()) return false;
    const QList<QUrl> urls = data->urls();
    return std::all_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}

Text joinPaths(const QList<QUrl>& urls) {
    if (urls.size() == 1) return pathToText(urls.front().toLocalFile());
    Text joined;
    for (const QUrl& url : urls) joined += pathToText(url.toLocalFile()) + "\r\n";
    return joined;
}

ProgramFrame* fatalErrorFrame = nullptr;

void reportEngineFatalError(const Text& message) { fatalErrorFrame->reportFatalError(message, 0); }

}  // namespace

std::optional<QString> QtPlatformDialogs::askSaveFileName(QWidget* owner, const QString& startName) {
    ExistingFileSaveDialog dialog(owner);
    // The widget dialog, so that the existing-file rule above always holds.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!startName.isEmpty()) dialog.selectFile(startName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFileInfo(dialog.selectedFiles().front()).absoluteFilePath();
}

void QtPlatformDialogs::showErrorBox(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
    box.exec();
}

Qt::DropAction dropEffect(Qt::KeyboardModifiers keys, Qt::DropActions allowed) {
    const bool shift = keys.testFlag(Qt::ShiftModifier);
    const bool ctrl = keys.testFlag(Qt::ControlModifier);
    if (shift && ctrl) return Qt::IgnoreAction;
    if (shift) return allowed.testFlag(Qt::MoveAction) ? Qt::MoveAction : Qt::IgnoreAction;
    if (ctrl) return allowed.testFlag(Qt::CopyAction) ? Qt::CopyAction : Qt::IgnoreAction;
    for (const Qt::DropAction a : {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction}) {
        if (allowed.testFlag(a)) return a;
    }
    return Qt::IgnoreAction;
}

bool FileDropTarget::bindTo(WId handle) {
    if (window_) return false;
    QWidget* window = QWidget::find(handle);
    if (!window) return false;
    window_ = window;
    // Edit boxes take text drops of their own; here every drop goes to the window.
    for (QWidget* child : window->findChildren<QWidget*>()) child->setAcceptDrops(false);
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    return true;
}

bool FileDropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) return false;
    switch (event->type()) {
        case QEvent::DragEnter: {
            auto* drag = static_cast<QDragEnterEvent*>(event);
            acceptable_ = offersFiles(drag->mimeData());
            // Accepted even when the keys give no effect now, so the moves that
            // follow can still change it.
            if (!acceptable_) {
                drag->ignore();
                return true;
            }
            const Qt::DropAction effect = dropEffect(drag->modifiers(), drag->possibleActions());
            if (effect != Qt::IgnoreAction) drag->setDropAction(effect);
            drag->accept();
            return true;
        }
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            const Qt::DropAction effect =
                acceptable_ ? dropEffect(drag->modifiers(), drag->possibleActions()) : Qt::IgnoreAction;
            if (effect == Qt::IgnoreAction) {
                drag->ignore();
            } else {
                drag->setDropAction(effect);
                drag->accept();
            }
            return true;
        }
        case QEvent::DragLeave:
            acceptable_ = false;
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const bool wanted = acceptable_ && offersFiles(drop->mimeData()) &&
                                dropEffect(drop->modifiers(), drop->possibleActions()) != Qt::IgnoreAction;
            acceptable_ = false;
            if (wanted) emit filesDropped(joinPaths(drop->mimeData()->urls()));
            // The source is never told the files were taken, so a move keeps them.
            drop->setDropAction(Qt::IgnoreAction);
            drop->ignore();
            return true;
        }
        default:
            return false;
    }
}

FileDialog::FileDialog(PlatformDialogs& dialogs, QWidget* owner) : dialogs_(dialogs), owner_(owner) {}

bool FileDialog::showModal() {
    QWidget* owner = QApplication::activeWindow();
    const std::optional<QString> chosen = dialogs_.askSaveFileName(owner ? owner : owner_.data(), fileName_);
    if (!chosen) return false;
    fileName_ = *chosen;
    return true;
}

Text FileDialog::fileName() const { return pathToText(fileName_); }

WindowServices::WindowServices(LayoutWindow& window) : window_(window) {
    outer_ = QRect(QPoint(), designSize);
    window_.installEventFilter(this);
    centre();
    apply();
}

bool WindowServices::gone() const { return window_.isClosed(); }

QMargins WindowServices::frameMargins() const {
    const QWindow* handle = window_.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

void WindowServices::apply() {
    // Qt sizes a window by its client area and places it by its frame; the
    // frame is known only once a window manager has framed the shown window.
    applying_ = true;
    appliedMargins_ = frameMargins();
    const QSize client(std::max(0, outer_.width() - appliedMargins_.left() - appliedMargins_.right()),
                       std::max(0, outer_.height() - appliedMargins_.top() - appliedMargins_.bottom()));
    window_.setFixedSize(client);
    window_.move(outer_.topLeft());
    applying_ = false;
}

bool WindowServices::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && !applying_ && !gone()) {
        const QEvent::Type t = event->type();
        if (t == QEvent::Move || t == QEvent::Resize || t == QEvent::Show || t == QEvent::WindowStateChange) {
            if (frameMargins() != appliedMargins_) {
                apply();
            } else if (t == QEvent::Move && window_.isVisible()) {
                outer_.moveTopLeft(window_.frameGeometry().topLeft());  // the user dragged it
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowServices::setWidth(std::int32_t value) {
    if (gone()) return;
    outer_.setWidth(clampOuter(value));
    apply();
}

void WindowServices::setHeight(std::int32_t value) {
    if (gone()) return;
    outer_.setHeight(clampOuter(value));
    apply();
}

void WindowServices::centre() {
    if (gone()) return;
    const Qt::WindowStates state = window_.windowState();
    if (state & (Qt::WindowMinimized | Qt::WindowMaximized)) {
        window_.setWindowState(state & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    // C++ division truncates toward zero, as the placement rule asks.
    const QPoint place(area.left() + (area.width() - outer_.width()) / 2,
                       area.top() + (area.height() - outer_.height()) / 2);
    if (place == outer_.topLeft()) return;
    outer_.moveTopLeft(place);
    apply();
}

void WindowServices::showWindow() {
    if (gone()) return;
    window_.show();
    window_.raise();
    window_.activateWindow();
}

void WindowServices::setVisible(const char* control, bool shown) {
    if (gone()) return;
    if (auto* w = window_.control<QWidget>(control)) w->setVisible(shown);
}

void WindowServices::setCaption(const char* control, const Text& text) {
    if (gone()) return;
    if (auto* label = window_.control<QLabel>(control)) label->setText(fromGbk(text));
}

void WindowServices::setTextColour(const char* control, std::uint32_t colour) {
    if (gone()) return;
    auto* label = window_.control<QLabel>(control);
    if (!label) return;
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
    label->setPalette(p);
}

Text WindowServices::readText(const char* control) const {
    if (auto* line = window_.control<QLineEdit>(control)) return toGbk(line->text());
    if (auto* box = window_.control<QPlainTextEdit>(control)) {
        QString text = box->toPlainText();
        text.replace(u'\n', QStringLiteral("\r\n"));
        return toGbk(text);
    }
    return {};
}

void WindowServices::moveControl(const char* control, std::optional<std::int32_t> left,
                                 std::optional<std::int32_t> top, std::int32_t width, std::int32_t height) {
    if (gone()) return;
    auto* w = window_.control<QWidget>(control);
    if (!w) return;
    QRect place = w->geometry();
    if (left) place.moveLeft(*left);
    if (top) place.moveTop(*top);
    if (width != -1) place.setWidth(width);
    if (height != -1) place.setHeight(height);
    if (place != w->geometry()) w->setGeometry(place);
}

WId WindowServices::nativeHandle() const { return gone() ? 0 : window_.winId(); }

void processPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void pauseWithEvents(std::int32_t ms) {
    if (ms <= 0) return;
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (;;) {
        processPendingEvents();
        const qint64 elapsed = clock.elapsed();
        if (elapsed > ms) return;
        // Wakes the wait below once the time is up, if no event does it sooner.
        wake.start(static_cast<int>(ms - elapsed + 1));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

QString fatalErrorText(const QString& message, std::int32_t code) {
    QString text = QStringLiteral("运行时出错!\r\n\r\n");
    if (code != 0) text += QStringLiteral("错误代码：%1\r\n\r\n").arg(code);
    if (!message.isEmpty()) text += QStringLiteral("错误信息：%1\r\n").arg(message);
    return text;
}

ProgramFrame::ProgramFrame(PlatformDialogs& dialogs) : dialogs_(dialogs) {
    fatalErrorFrame = this;
    setFatalErrorHook(reportEngineFatalError);
}

ProgramFrame::~ProgramFrame() {
    setFatalErrorHook(nullptr);
    fatalErrorFrame = nullptr;
}

void ProgramFrame::registerExitRoutine(Routine routine, void* context) {
    const Entry entry{routine, context};
    if (std::find(exitList_.begin(), exitList_.end(), entry) == exitList_.end()) exitList_.push_back(entry);
}

void ProgramFrame::runEventLoop() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    if (std::none_of(windows.begin(), windows.end(), [](const QWidget* w) { return w->isVisible(); })) return;
    QApplication::exec();
}

int ProgramFrame::end() {
    const std::vector<Entry> routines = std::move(exitList_);
    exitList_.clear();
    for (const Entry& e : routines) e.routine(e.context);
    return 0;
}

void ProgramFrame::reportFatalError(const Text& message, std::int32_t code) {
    dialogs_.showErrorBox(QStringLiteral("错误"), fatalErrorText(fromGbk(message), code));
    exitList_.clear();
    std::_Exit(-1);
}

}  // namespace varnolt::ui
