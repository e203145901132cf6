// What the handlers ask of the window system: the main window's outer size and
// place, its controls' texts, colours and visibility, file drops, the save
// dialog, the pause that keeps the window alive, and the program's start and end.
#pragma once

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/byte_string.h"

namespace varnolt::ui {

class LayoutWindow;

// The seam to the platform's dialogs; tests hand in one with scripted answers.
class PlatformDialogs {
public:
    virtual ~PlatformDialogs() = default;
    // The modal save dialog over owner, its name box starting with startName:
    // only existing files, confirming before one is replaced. nullopt unless
    // closed with OK.
    virtual std::optional<QString> askSaveFileName(QWidget* owner, const QString& startName) = 0;
    // A message box that belongs to no window: error icon, one OK button.
    virtual void showErrorBox(const QString& title, const QString& text) = 0;
};

// Qt's own dialogs.
class QtPlatformDialogs final : public PlatformDialogs {
public:
    std::optional<QString> askSaveFileName(QWidget* owner, const QString& startName) override;
    void showErrorBox(const QString& title, const QString& text) override;
};

// The effect a drop would have with these keys held: none → copy, move, link
// in that order of preference; Shift → move; Ctrl → copy; both → none.
Qt::DropAction dropEffect(Qt::KeyboardModifiers keys, Qt::DropActions allowed);

// Turns file drops anywhere on one window, its controls included, into one
// filesDropped text: a single path as is, several each followed by CR LF.
// Paths keep the file system's encoding. Other drags are refused.
class FileDropTarget : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // True once; false when already bound or the handle names no window.
    bool bindTo(WId handle);

signals:
    void filesDropped(const varnolt::Text& paths);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    bool acceptable_ = false;
};

// The save dialog 通用对话框1 with the name confirmed last.
class FileDialog : public QObject {
    Q_OBJECT
public:
    FileDialog(PlatformDialogs& dialogs, QWidget* owner);
    bool showModal();
    // File-system encoding, never code page 936.
    Text fileName() const;

private:
    PlatformDialogs& dialogs_;
    QPointer<QWidget> owner_;
    QString fileName_;
};

// Services on the main window and its controls, addressed by layout name.
// After the window is closed every service does nothing.
class WindowServices : public QObject {
    Q_OBJECT
public:
    static constexpr std::int32_t maxOuterSize = 32627;

    // Places the window at its design size, centred, still hidden.
    explicit WindowServices(LayoutWindow& window);

    void setWidth(std::int32_t value);
    void setHeight(std::int32_t value);
    void centre();
    void showWindow();
    // The window's outer rectangle as asked, frame and title bar included.
    QRect outerGeometry() const { return outer_; }

    void setVisible(const char* control, bool shown);
    void setCaption(const char* control, const Text& text);
    // 0x00BBGGRR.
    void setTextColour(const char* control, std::uint32_t colour);
    // Line breaks come back as CR LF.
    Text readText(const char* control) const;
    // A width or height of -1 keeps it; left and top may be omitted.
    void moveControl(const char* control, std::optional<std::int32_t> left, std::optional<std::int32_t> top,
                     std::int32_t width = -1, std::int32_t height = -1);
    // 0 once the window is gone.
    WId nativeHandle() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool gone() const;
    QMargins frameMargins() const;
    void apply();

    LayoutWindow& window_;
    QRect outer_;
    QMargins appliedMargins_;
    bool applying_ = false;
};

// Dispatches whatever events wait, without waiting for more.
void processPendingEvents();
// Keeps dispatching events (clicks, drops, repaints, closing) until more than
// ms milliseconds have passed; blocks in the event loop between them rather
// than spinning. ms <= 0 returns at once without dispatching anything.
void pauseWithEvents(std::int32_t ms);

// "运行时出错!" then the code and the message lines, each block ended by CR LF.
QString fatalErrorText(const QString& message, std::int32_t code);

// The program's frame: the exit list, the event loop and the fatal-error end.
// While one exists it is the engine's fatal-error hook.
class ProgramFrame {
public:
    using Routine = void (*)(void* context);

    explicit ProgramFrame(PlatformDialogs& dialogs);
    ~ProgramFrame();
    ProgramFrame(const ProgramFrame&) = delete;
    ProgramFrame& operator=(const ProgramFrame&) = delete;

    // Appended unless the same routine with the same context is there.
    void registerExitRoutine(Routine routine, void* context);
    // Returns when the last window has been closed.
    void runEventLoop();
    // Runs the exit routines once each, in order; the process's exit code.
    int end();
    // Shows the error box, then ends the process with -1 without the exit routines.
    [[noreturn]] void reportFatalError(const Text& message, std::int32_t code);

private:
    struct Entry {
        Routine routine;
        void* context;
        bool operator==(const Entry&) const = default;
    };
    PlatformDialogs& dialogs_;
    std::vector<Entry> exitList_;
};

}  // namespace varnolt::ui
