// Checks that need a real X server and window manager (run_with_openbox.sh):
// the outer size with the frame that openbox adds, dragging the window by its
// background, labels and group boxes, and drops from another program.
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include "ui/main_window_layout.h"
#include "ui/window_services.h"

using namespace varnolt::ui;

namespace {

QRect centred(QSize size) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {QPoint((screen.width() - size.width()) / 2, (screen.height() - size.height()) / 2), size};
}

bool xdotool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    return p.waitForFinished() && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Where the X server has the window's client area now.
QPoint serverPosition(WId id) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), {"getwindowgeometry", QString::number(id)});
    p.waitForFinished();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Position: (-?\\d+),(-?\\d+)")).match(QString::fromUtf8(p.readAll()));
    return m.hasMatch() ? QPoint(m.captured(1).toInt(), m.captured(2).toInt()) : QPoint();
}

// Counts the drag events that reach a window.
struct DragWatch : QObject {
    int moves = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::DragMove) ++moves;
        return false;
    }
};

struct PressWatch : QObject {
    bool seen = false;
    bool eventFilter(QObject*, QEvent* event) override {
        seen = seen || event->type() == QEvent::MouseButtonPress;
        return false;
    }
};

QStringList pointerTo(QPoint p) { return {"mousemove", QString::number(p.x()), QString::number(p.y())}; }

}  // namespace

class WindowFrameX11Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void outerSizeIncludesTheFrame();
    void dragMovesTheWindow_data();
    void dragMovesTheWindow();
    void dropFromAnotherProgram_data();
    void dropFromAnotherProgram();
};

void WindowFrameX11Test::initTestCase() {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) QSKIP("needs an X server");
}

void WindowFrameX11Test::outerSizeIncludesTheFrame() {
    LayoutWindow window;
    WindowServices services(window);
    services.setWidth(415);
    services.setHeight(150);
    services.centre();
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Framed once openbox has reparented the window; the services then fit the
    // client area so that the frame's outside keeps the asked size and place.
    QTRY_VERIFY(window.windowHandle()->frameMargins().top() > 0);
    QTRY_COMPARE(window.frameGeometry(), centred({415, 150}));
    QVERIFY(window.geometry().height() < 150);

    services.setWidth(915);
    services.setHeight(300);
    services.centre();
    QTRY_COMPARE(window.frameGeometry(), centred({915, 300}));
    const QMargins m = window.windowHandle()->frameMargins();
    QCOMPARE(window.geometry().size(), QSize(915 - m.left() - m.right(), 300 - m.top() - m.bottom()));
}

void WindowFrameX11Test::dragMovesTheWindow_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QPoint>("at");  // from the control's top-left corner
    QTest::newRow("status line") << "标签1" << QPoint(100, 12);
    QTest::newRow("length caption") << "标签3" << QPoint(20, 12);
    QTest::newRow("search group, below its controls") << "分组框1" << QPoint(200, 74);
    QTest::newRow("background") << "窗口" << QPoint(200, 160);
}

void WindowFrameX11Test::dragMovesTheWindow() {
    QFETCH(QString, control);
    QFETCH(QPoint, at);
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) QSKIP("xdotool is not installed");
    LayoutWindow window;
    WindowServices services(window);
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_VERIFY(window.windowHandle()->frameMargins().top() > 0);
    QTRY_COMPARE(window.frameGeometry(), centred({915, 300}));

    // A press on a button and a short drag clicks it and leaves the window.
    auto* button = window.control<QPushButton>("按钮搜索");
    QSignalSpy clicks(button, &QPushButton::clicked);
    const QPoint onButton = button->mapToGlobal(button->rect().center());
    QVERIFY(xdotool(pointerTo(onButton) + QStringList{"mousedown", "1"}));
    QVERIFY(xdotool(pointerTo(onButton + QPoint(5, 3)) + QStringList{"mouseup", "1"}));
    QTRY_COMPARE(clicks.count(), 1);
    QCOMPARE(window.frameGeometry(), centred({915, 300}));

    QWidget* pressed = control == QStringLiteral("窗口") ? &window : window.findChild<QWidget*>(control);
    QVERIFY(pressed);
    QCOMPARE(window.childAt(pressed->mapTo(&window, at)), pressed == &window ? nullptr : pressed);
    const QPoint start = window.frameGeometry().topLeft();
    const QPoint from = pressed->mapToGlobal(at);
    const QPoint delta(-60, -40);
    PressWatch press;
    pressed->installEventFilter(&press);
    QVERIFY(xdotool(pointerTo(from) + QStringList{"mousedown", "1"}));
    QTRY_VERIFY(press.seen);
    // The window manager takes over a moment after the press has reached the
    // window, so the pointer keeps moving until the window follows. Qt hears
    // of the new place only when the move ends, so the server is asked.
    const QPoint client = serverPosition(window.winId());
    int step = 0;
    QTRY_VERIFY(xdotool(pointerTo(from + delta + QPoint(step++ % 2, 0))) && serverPosition(window.winId()) != client);
    QVERIFY(xdotool(pointerTo(from + delta) + QStringList{"mouseup", "1"}));
    QTRY_COMPARE(window.frameGeometry().topLeft(), start + delta);
    QTRY_COMPARE(services.outerGeometry().topLeft(), start + delta);
    QCOMPARE(clicks.count(), 1);
}

void WindowFrameX11Test::dropFromAnotherProgram_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<bool>("raised");
    QTest::newRow("one file") << QStringList{"程序.exe"} << QStringList{} << true;
    QTest::newRow("two files") << QStringList{"a.bin", "b.bin"} << QStringList{} << true;
    QTest::newRow("ctrl and shift held") << QStringList{"a.bin"} << QStringList{"ctrl", "shift"} << false;
}

void WindowFrameX11Test::dropFromAnotherProgram() {
    QFETCH(QStringList, names);
    QFETCH(QStringList, keys);
    QFETCH(bool, raised);
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) QSKIP("xdotool is not installed");

    QTemporaryDir dir;
    QStringList paths;
    QByteArray expected;
    for (const QString& name : names) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        paths << f.fileName();
        expected += QFile::encodeName(f.fileName()) + (names.size() > 1 ? "\r\n" : "");
    }

    LayoutWindow window;
    WindowServices services(window);
    FileDropTarget target;
    QVERIFY(target.bindTo(services.nativeHandle()));
    QList<QByteArray> got;
    connect(&target, &FileDropTarget::filesDropped, this,
            [&](const varnolt::Text& text) { got << QByteArray::fromStdString(text); });
    DragWatch watch;
    window.installEventFilter(&watch);
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QProcess source;
    source.start(QStringLiteral(DRAG_SOURCE), paths);
    QTRY_VERIFY(source.canReadLine());
    const QStringList ready = QString::fromUtf8(source.readLine()).split(' ');
    QCOMPARE(ready.value(0), QStringLiteral("ready"));
    const QPoint from(ready.value(1).toInt(), ready.value(2).toInt());
    QTRY_VERIFY(xdotool({"search", "--onlyvisible", "--name", "^drag source$"}));

    // Dropped on the search box: the drop still goes to the window.
    auto* box = window.control<QWidget>("编辑框搜索");
    const QPoint to = box->mapToGlobal(box->rect().center());
    if (!keys.isEmpty()) QVERIFY(xdotool(QStringList{"keydown"} + keys));
    QVERIFY(xdotool(pointerTo(from) + QStringList{"mousedown", "1"}));
    int step = 0;
    QTRY_VERIFY(xdotool(pointerTo(to + QPoint(step++ % 2, 0))) && watch.moves > 1);
    QVERIFY(xdotool(pointerTo(to) + QStringList{"mouseup", "1"}));
    if (!keys.isEmpty()) QVERIFY(xdotool(QStringList{"keyup"} + keys));
    // The source's drag has ended; a Qt source reports the action last offered,
    // not the target's final answer, so only the arrival is checked here.
    QTRY_VERIFY(source.canReadLine());
    if (raised) QTRY_COMPARE(got.size(), 1);
    source.kill();
    source.waitForFinished();

    QCOMPARE(got, raised ? QList<QByteArray>{expected} : QList<QByteArray>{});
    QCOMPARE(window.control<QPlainTextEdit>("编辑框搜索")->toPlainText(), QString());
}

QTEST_MAIN(WindowFrameX11Test)
#include "window_frame_x11_test.moc"
