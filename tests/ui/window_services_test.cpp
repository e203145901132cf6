#include <QGroupBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include "ui/main_window_layout.h"
#include "ui/window_services.h"
#include "window_test_support.h"

using varnolt::Text;
using namespace varnolt::ui;

Q_DECLARE_METATYPE(Qt::KeyboardModifiers)
Q_DECLARE_METATYPE(Qt::DropActions)

namespace {

// The offscreen platform nudges a frame that would start left of or above the
// screen back by its margin; there only the size and the asked place can be
// compared.
void compareFrame(const QWidget& window, const QRect& expected) {
    if (QGuiApplication::platformName() == QStringLiteral("offscreen") && (expected.left() < 0 || expected.top() < 0)) {
        QCOMPARE(window.frameGeometry().size(), expected.size());
    } else {
        QCOMPARE(window.frameGeometry(), expected);
    }
}

QPoint centredFor(QSize size) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {(screen.width() - size.width()) / 2, (screen.height() - size.height()) / 2};
}

}  // namespace

class WindowServicesTest : public QObject {
    Q_OBJECT

private slots:
    void outerSizeIsClamped_data();
    void outerSizeIsClamped();
    void resizingKeepsTheTopLeftCorner();
    void centre_data();
    void centre();
    void centreMovesOnlyWhenNeeded();
    void centreRestoresAMinimisedWindow();
    void centreWhileHiddenPlacesTheShownWindow();
    void moveControl_data();
    void moveControl();
    void captionsAndColours();
    void readTextGivesCodePage936_data();
    void readTextGivesCodePage936();
    void dropEffect_data();
    void dropEffect();
    void drops_data();
    void drops();
    void bindToOnlyOnce();
    void fileDialogRemembersTheConfirmedName();
    void qtSaveDialogTakesOnlyExistingFiles();
    void pauseDispatchesAClick();
    void pauseOfNoTimeDispatchesNothing_data();
    void pauseOfNoTimeDispatchesNothing();
    void closingDuringAPauseSilencesTheServices();
    void fatalErrorText_data();
    void fatalErrorText();
    void fatalErrorEndsWithoutExitRoutines();
    void closingDuringAFlashEndsTheProgram();
    void exitRoutinesRunOnceInOrder();
};

void WindowServicesTest::outerSizeIsClamped_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("compact") << 415 << 150 << QSize(415, 150);
    QTest::newRow("too wide") << 40000 << 300 << QSize(32627, 300);
    QTest::newRow("just fits") << 32627 << 32628 << QSize(32627, 32627);
    QTest::newRow("negative") << 415 << -5 << QSize(415, 0);
}

void WindowServicesTest::outerSizeIsClamped() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QSize, expected);
    LayoutWindow window;
    WindowServices services(window);
    services.setWidth(width);
    services.setHeight(height);
    QCOMPARE(services.outerGeometry().size(), expected);
    // Only a small window is shown: painting a 32627-pixel one takes seconds.
    if (expected.width() < 1000 && expected.height() > 0) {
        services.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.frameGeometry().size(), expected);
    }
}

void WindowServicesTest::resizingKeepsTheTopLeftCorner() {
    LayoutWindow window;
    WindowServices services(window);
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.move(100, 100);  // as the user dragging it would
    QTRY_COMPARE(services.outerGeometry().topLeft(), QPoint(100, 100));
    services.setWidth(415);
    services.setHeight(150);
    services.setWidth(915);
    services.setHeight(300);
    QCOMPARE(window.frameGeometry(), QRect(100, 100, 915, 300));
    // Controls never follow the window's size.
    QCOMPARE(window.control<QWidget>("超级列表框1")->geometry(), QRect(416, 16, 485, 208));
}

void WindowServicesTest::centre_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("compact") << QSize(415, 150);
    QTest::newRow("expanded") << QSize(915, 300);
    QTest::newRow("odd remainder") << QSize(416, 151);
}

void WindowServicesTest::centre() {
    QFETCH(QSize, size);
    LayoutWindow window;
    WindowServices services(window);
    services.setWidth(size.width());
    services.setHeight(size.height());
    services.centre();
    QCOMPARE(services.outerGeometry(), QRect(centredFor(size), size));
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    compareFrame(window, QRect(centredFor(size), size));
}

void WindowServicesTest::centreMovesOnlyWhenNeeded() {
    LayoutWindow window;
    WindowServices services(window);
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    services.setWidth(415);
    services.centre();
    QTRY_COMPARE(window.frameGeometry(), QRect(centredFor({415, 300}), QSize(415, 300)));
    processPendingEvents();  // the platform reports the first move late
    QSignalSpy xMoves(window.windowHandle(), &QWindow::xChanged);
    QSignalSpy yMoves(window.windowHandle(), &QWindow::yChanged);
    services.centre();
    processPendingEvents();
    QCOMPARE(xMoves.count() + yMoves.count(), 0);
}

void WindowServicesTest::centreRestoresAMinimisedWindow() {
    LayoutWindow window;
    WindowServices services(window);
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.showMinimized();
    QTRY_VERIFY(window.isMinimized());
    services.setHeight(150);
    services.centre();
    QTRY_VERIFY(!window.isMinimized());
    compareFrame(window, QRect(centredFor({915, 150}), QSize(915, 150)));
}

void WindowServicesTest::centreWhileHiddenPlacesTheShownWindow() {
    LayoutWindow window;
    WindowServices services(window);
    services.setWidth(415);
    services.setHeight(150);
    services.centre();
    services.setWidth(500);  // later size changes do not centre again
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.frameGeometry(), QRect(centredFor({415, 150}), QSize(500, 150)));
}

void WindowServicesTest::moveControl_data() {
    QTest::addColumn<std::optional<int>>("left");
    QTest::addColumn<std::optional<int>>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("compact status line") << std::optional(8) << std::optional(95) << 392 << 24 << QRect(8, 95, 392, 24);
    QTest::newRow("expanded status line") << std::optional(8) << std::optional(239) << 395 << 24
                                          << QRect(8, 239, 395, 24);
    QTest::newRow("-1 keeps the width") << std::optional(8) << std::optional(95) << -1 << 24 << QRect(8, 95, 392, 24);
    QTest::newRow("-1 is a coordinate") << std::optional(-1) << std::optional(-1) << -1 << -1
                                        << QRect(-1, -1, 392, 24);
    QTest::newRow("omitted left and top") << std::optional<int>() << std::optional<int>() << 100 << -1
                                          << QRect(8, 239, 100, 24);
}

void WindowServicesTest::moveControl() {
    QFETCH(std::optional<int>, left);
    QFETCH(std::optional<int>, top);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QRect, expected);
    LayoutWindow window;
    WindowServices services(window);
    services.moveControl("标签1", left, top, width, height);
    QCOMPARE(window.control<QLabel>("标签1")->geometry(), expected);
}

void WindowServicesTest::captionsAndColours() {
    LayoutWindow window;
    WindowServices services(window);
    auto* label = window.control<QLabel>("标签1");
    services.setCaption("标签1", "\xd7\xb4\xcc\xac\xa3\xba\xce\xc4\xbc\xfe\xb6\xc1\xc8\xeb\xcd\xea\xb3\xc9\xa3\xa1");
    QCOMPARE(label->text(), QStringLiteral("状态：文件读入完成！"));

    services.setTextColour("标签1", 255);
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    services.setTextColour("标签1", 0x00FF0000);
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    services.setTextColour("标签1", 0);
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    QCOMPARE(label->palette().color(QPalette::Window), window.palette().color(QPalette::Window));

    QGroupBox* group = window.control<QGroupBox>("分组框2");
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    services.setVisible("分组框2", true);
    QVERIFY(window.control<QWidget>("编辑框修改")->isVisible());
    QVERIFY(!window.control<QWidget>("编辑框修改")->hasFocus());
    services.setVisible("分组框2", false);
    QVERIFY(!group->isVisible());
}

void WindowServicesTest::readTextGivesCodePage936_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty box") << "编辑框搜索" << "" << QByteArray();
    QTest::newRow("two-byte characters") << "编辑框搜索" << "汉字A" << QByteArray("\xba\xba\xd7\xd6" "A");
    QTest::newRow("line break is CR LF") << "编辑框修改" << "a\nb" << QByteArray("a\r\nb");
    QTest::newRow("unencodable becomes ?") << "编辑框搜索" << "x😀y" << QByteArray("x?y");
    QTest::newRow("one-line box") << "编辑框前文长度" << "-12" << QByteArray("-12");
    QTest::newRow("blanks are kept") << "编辑框后文长度" << "  " << QByteArray("  ");
}

void WindowServicesTest::readTextGivesCodePage936() {
    QFETCH(QString, control);
    QFETCH(QString, content);
    QFETCH(QByteArray, expected);
    LayoutWindow window;
    WindowServices services(window);
    if (auto* line = window.findChild<QLineEdit*>(control)) line->setText(content);
    if (auto* box = window.findChild<QPlainTextEdit*>(control)) box->setPlainText(content);
    QCOMPARE(QByteArray::fromStdString(services.readText(control.toUtf8().constData())), expected);
}

void WindowServicesTest::dropEffect_data() {
    QTest::addColumn<Qt::KeyboardModifiers>("keys");
    QTest::addColumn<Qt::DropActions>("allowed");
    QTest::addColumn<int>("effect");
    const Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    const Qt::KeyboardModifiers none;
    QTest::newRow("none, all allowed") << none << all << int(Qt::CopyAction);
    QTest::newRow("none, move or link") << none << Qt::DropActions(Qt::MoveAction | Qt::LinkAction)
                                        << int(Qt::MoveAction);
    QTest::newRow("none, link only") << none << Qt::DropActions(Qt::LinkAction) << int(Qt::LinkAction);
    QTest::newRow("none, nothing allowed") << none << Qt::DropActions() << int(Qt::IgnoreAction);
    QTest::newRow("shift, all") << Qt::KeyboardModifiers(Qt::ShiftModifier) << all << int(Qt::MoveAction);
    QTest::newRow("shift, copy only") << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                      << Qt::DropActions(Qt::CopyAction) << int(Qt::IgnoreAction);
    QTest::newRow("ctrl, all") << Qt::KeyboardModifiers(Qt::ControlModifier) << all << int(Qt::CopyAction);
    QTest::newRow("ctrl, move only") << Qt::KeyboardModifiers(Qt::ControlModifier)
                                     << Qt::DropActions(Qt::MoveAction) << int(Qt::IgnoreAction);
    QTest::newRow("ctrl and shift") << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier) << all
                                    << int(Qt::IgnoreAction);
    QTest::newRow("alt counts as none") << Qt::KeyboardModifiers(Qt::AltModifier) << all << int(Qt::CopyAction);
}

void WindowServicesTest::dropEffect() {
    QFETCH(Qt::KeyboardModifiers, keys);
    QFETCH(Qt::DropActions, allowed);
    QFETCH(int, effect);
    QCOMPARE(int(varnolt::ui::dropEffect(keys, allowed)), effect);
}

void WindowServicesTest::drops_data() {
    QTest::addColumn<QString>("over");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<bool>("asText");
    QTest::addColumn<Qt::KeyboardModifiers>("keys");
    QTest::addColumn<QList<QByteArray>>("raised");
    const Qt::KeyboardModifiers none;
    QTest::newRow("one file") << "窗口" << QStringList{"/tmp/a.exe"} << false << none
                              << QList<QByteArray>{"/tmp/a.exe"};
    QTest::newRow("two files") << "窗口" << QStringList{"/tmp/a", "/tmp/b"} << false << none
                               << QList<QByteArray>{"/tmp/a\r\n/tmp/b\r\n"};
    QTest::newRow("chinese name stays utf-8") << "窗口" << QStringList{"/tmp/文件.bin"} << false << none
                                              << QList<QByteArray>{"/tmp/文件.bin"};
    QTest::newRow("onto the search box") << "编辑框搜索" << QStringList{"/tmp/a"} << false << none
                                         << QList<QByteArray>{"/tmp/a"};
    QTest::newRow("onto the result list") << "超级列表框1" << QStringList{"/tmp/a"} << false << none
                                          << QList<QByteArray>{"/tmp/a"};
    QTest::newRow("onto a length box with shift") << "编辑框前文长度" << QStringList{"/tmp/a"} << false
                                                  << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                                  << QList<QByteArray>{"/tmp/a"};
    QTest::newRow("text refused") << "窗口" << QStringList{"/tmp/a"} << true << none << QList<QByteArray>{};
    QTest::newRow("text refused by the search box") << "编辑框搜索" << QStringList{"/tmp/a"} << true << none
                                                    << QList<QByteArray>{};
    QTest::newRow("ctrl and shift refused") << "窗口" << QStringList{"/tmp/a"} << false
                                            << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier)
                                            << QList<QByteArray>{};
}

void WindowServicesTest::drops() {
    QFETCH(QString, over);
    QFETCH(QStringList, paths);
    QFETCH(bool, asText);
    QFETCH(Qt::KeyboardModifiers, keys);
    QFETCH(QList<QByteArray>, raised);

    LayoutWindow window;
    WindowServices services(window);
    FileDropTarget target;
    QVERIFY(target.bindTo(services.nativeHandle()));
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QList<QByteArray> got;
    connect(&target, &FileDropTarget::filesDropped, this,
            [&](const Text& text) { got << QByteArray::fromStdString(text); });

    QWidget* widget = over == QStringLiteral("窗口") ? &window : window.findChild<QWidget*>(over);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) widget = area->viewport();
    QMimeData* data = asText ? new QMimeData : fileList(paths);
    if (asText) data->setText(paths.join(' '));
    const QString before = window.control<QPlainTextEdit>("编辑框搜索")->toPlainText();
    dragAndDrop(widget, data, Qt::CopyAction | Qt::MoveAction, keys);
    delete data;

    QCOMPARE(got, raised);
    QCOMPARE(window.control<QPlainTextEdit>("编辑框搜索")->toPlainText(), before);
}

void WindowServicesTest::bindToOnlyOnce() {
    LayoutWindow window;
    WindowServices services(window);
    FileDropTarget target;
    QVERIFY(!target.bindTo(0));
    QVERIFY(target.bindTo(services.nativeHandle()));
    QVERIFY(!target.bindTo(services.nativeHandle()));
    QVERIFY(window.acceptDrops());
}

void WindowServicesTest::fileDialogRemembersTheConfirmedName() {
    ScriptedDialogs dialogs;
    LayoutWindow window;
    FileDialog dialog(dialogs, &window);
    const QString chosen = QStringLiteral("/tmp/目标.exe");
    dialogs.answers = {std::nullopt, chosen, std::nullopt};

    QVERIFY(!dialog.showModal());
    QCOMPARE(dialog.fileName(), Text());
    QVERIFY(dialog.showModal());
    QCOMPARE(QByteArray::fromStdString(dialog.fileName()), chosen.toUtf8());
    QVERIFY(!dialog.showModal());
    QCOMPARE(QByteArray::fromStdString(dialog.fileName()), chosen.toUtf8());
    QCOMPARE(dialogs.startNames, (QStringList{QString(), QString(), chosen}));
}

void WindowServicesTest::qtSaveDialogTakesOnlyExistingFiles() {
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("旧.bin"));
    QFile f(existing);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();

    // Plays the user: each step waits for the dialog or box it expects.
    QStringList seen;
    int step = 0;
    QObject guard;
    std::function<void()> user = [&] {
        if (step > 4) return;
        QTimer::singleShot(20, &guard, user);  // keeps polling inside nested boxes
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        auto* box = qobject_cast<QMessageBox*>(modal);
        auto* name = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (step == 0 && name) {
            seen << "start:" + name->text();
            name->setText(dir.filePath(QStringLiteral("new.bin")));
            step = 1;
            QTest::keyClick(name, Qt::Key_Return);  // refused: the name does not exist
        } else if (step == 1 && box) {
            seen << "box:" + box->text().section('\n', 1, 1);
            step = 2;
            box->button(QMessageBox::Ok)->click();
        } else if (step == 2 && name) {
            name->setText(existing);
            step = 3;
            QTest::keyClick(name, Qt::Key_Return);  // asks before replacing
        } else if (step == 3 && box) {
            seen << "box:" + box->text().section('\n', 1, 1);
            step = 4;
            box->button(QMessageBox::Yes)->click();
        } else if (step == 4 && name) {
            step = 5;
            dialog->reject();
        }
    };
    QtPlatformDialogs dialogs;
    QTimer::singleShot(0, &guard, user);
    const std::optional<QString> chosen = dialogs.askSaveFileName(nullptr, QString());
    QCOMPARE(chosen, std::optional<QString>(existing));
    QCOMPARE(seen, (QStringList{"start:", "box:File not found.", "box:Do you want to replace it?"}));

    // The next showing starts with that name; cancelling gives nothing.
    step = 4;
    QTimer::singleShot(0, &guard, [&] {
        seen << "start:" + QApplication::activeModalWidget()->findChild<QLineEdit*>("fileNameEdit")->text();
        user();
    });
    QCOMPARE(dialogs.askSaveFileName(nullptr, existing), std::optional<QString>());
    QCOMPARE(seen.back(), QStringLiteral("start:旧.bin"));
}

void WindowServicesTest::pauseDispatchesAClick() {
    LayoutWindow window;
    WindowServices services(window);
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* button = window.control<QPushButton>("按钮搜索");
    QSignalSpy clicks(button, &QPushButton::clicked);
    const QPointF at = button->rect().center();
    const QPointF global = button->mapToGlobal(at);
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                        Qt::LeftButton, {}));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                        Qt::NoButton, {}));
    QElapsedTimer clock;
    clock.start();
    pauseWithEvents(50);
    QVERIFY(clock.elapsed() > 50);
    QCOMPARE(clicks.count(), 1);
}

void WindowServicesTest::pauseOfNoTimeDispatchesNothing_data() {
    QTest::addColumn<int>("ms");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -1;
}

void WindowServicesTest::pauseOfNoTimeDispatchesNothing() {
    QFETCH(int, ms);
    bool ran = false;
    QMetaObject::invokeMethod(this, [&] { ran = true; }, Qt::QueuedConnection);
    pauseWithEvents(ms);
    QVERIFY(!ran);
    processPendingEvents();
    QVERIFY(ran);
}

void WindowServicesTest::closingDuringAPauseSilencesTheServices() {
    LayoutWindow window;
    WindowServices services(window);
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect outer = services.outerGeometry();
    QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    pauseWithEvents(100);
    QVERIFY(clock.elapsed() > 100);  // the pause lasts its time even so
    QVERIFY(window.isClosed());
    QVERIFY(!window.isVisible());

    services.setWidth(200);
    services.centre();
    services.setVisible("分组框2", true);
    services.setCaption("标签1", "x");
    services.showWindow();
    QCOMPARE(services.outerGeometry(), outer);
    QVERIFY(!window.isVisible());
    QCOMPARE(services.nativeHandle(), WId(0));
    QCOMPARE(window.control<QLabel>("标签1")->text(), QStringLiteral("状态：请拖入文件到本窗口"));
}

void WindowServicesTest::fatalErrorText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("message only") << "载入启动窗口失败" << 0
                                  << "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n";
    QTest::newRow("code and message") << "x" << -7 << "运行时出错!\r\n\r\n错误代码：-7\r\n\r\n错误信息：x\r\n";
    QTest::newRow("code only") << "" << 3 << "运行时出错!\r\n\r\n错误代码：3\r\n\r\n";
    QTest::newRow("neither") << "" << 0 << "运行时出错!\r\n\r\n";
}

void WindowServicesTest::fatalErrorText() {
    QFETCH(QString, message);
    QFETCH(int, code);
    QFETCH(QString, expected);
    QCOMPARE(varnolt::ui::fatalErrorText(message, code), expected);
}

void WindowServicesTest::closingDuringAFlashEndsTheProgram() {
    QProcess child;
    child.start(QStringLiteral(PROGRAM_CHILD), {"close-flash"});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()),
             QStringLiteral("handler returned\nevent loop returned\nexit routine ran\n"));
}

void WindowServicesTest::fatalErrorEndsWithoutExitRoutines() {
    QProcess child;
    child.start(QStringLiteral(PROGRAM_CHILD), {"fatal"});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 255);  // -1 as the process's status byte
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    QVERIFY(!out.contains(QStringLiteral("exit routine ran")));
    QVERIFY(out.startsWith(QStringLiteral("错误\n运行时出错!\r\n\r\n错误信息：")));
    QCOMPARE(out, QStringLiteral("错误\n运行时出错!\r\n\r\n错误信息：分配 123 字节内存失败!\r\n"));
}

void WindowServicesTest::exitRoutinesRunOnceInOrder() {
    ScriptedDialogs dialogs;
    ProgramFrame frame(dialogs);
    QString log;
    auto a = [](void* c) { *static_cast<QString*>(c) += 'a'; };
    auto b = [](void* c) { *static_cast<QString*>(c) += 'b'; };
    frame.registerExitRoutine(a, &log);
    frame.registerExitRoutine(b, &log);
    frame.registerExitRoutine(a, &log);
    frame.runEventLoop();  // no window is shown: returns at once
    QCOMPARE(frame.end(), 0);
    QCOMPARE(log, QStringLiteral("ab"));
    QCOMPARE(frame.end(), 0);
    QCOMPARE(log, QStringLiteral("ab"));
}

QTEST_MAIN(WindowServicesTest)
#include "window_services_test.moc"
