#include <QClipboard>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include "ui/main_window_layout.h"
#include "ui/result_list.h"
#include "ui/window_services.h"

using varnolt::ui::LayoutWindow;
using varnolt::ui::ResultList;
using varnolt::ui::WindowServices;

class MainWindowLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void windowFrame();
    void resultColumns_data();
    void resultColumns();
    void focusCycle_data();
    void focusCycle();
    void keyRules_data();
    void keyRules();
    void digitFilter_data();
    void digitFilter();
    void digitFilterLetsPasteThrough();
};

void MainWindowLayoutTest::controls_data() {
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shown");

    const QString window = QStringLiteral("窗口");
    QTest::newRow("编辑框后文长度") << "QLineEdit" << window << QRect(816, 240, 88, 24) << "10" << true;
    QTest::newRow("标签3") << "QLabel" << window << QRect(760, 240, 56, 24) << "后文长度：" << true;
    QTest::newRow("编辑框前文长度") << "QLineEdit" << window << QRect(648, 240, 88, 24) << "10" << true;
    QTest::newRow("标签2") << "QLabel" << window << QRect(592, 240, 56, 24) << "前文长度：" << true;
    QTest::newRow("编辑框修改") << "QPlainTextEdit" << "分组框2" << QRect(16, 32, 288, 72) << "" << true;
    QTest::newRow("按钮保存") << "QPushButton" << "分组框2" << QRect(320, 72, 56, 32) << "保存" << true;
    QTest::newRow("按钮修改") << "QPushButton" << "分组框2" << QRect(320, 32, 56, 32) << "修改" << true;
    QTest::newRow("分组框2") << "QGroupBox" << window << QRect(8, 96, 392, 128) << "修改" << false;
    QTest::newRow("按钮全不选") << "QPushButton" << window << QRect(504, 232, 72, 32) << "全不选" << true;
    QTest::newRow("按钮全选") << "QPushButton" << window << QRect(416, 232, 80, 32) << "全选" << true;
    QTest::newRow("标签1") << "QLabel" << window << QRect(8, 239, 392, 24) << "状态：请拖入文件到本窗口" << true;
    QTest::newRow("分组框1") << "QGroupBox" << window << QRect(8, 8, 392, 80) << "搜索" << true;
    QTest::newRow("按钮搜索") << "QPushButton" << "分组框1" << QRect(320, 24, 56, 40) << "搜索" << true;
    QTest::newRow("编辑框搜索") << "QPlainTextEdit" << "分组框1" << QRect(16, 24, 288, 40) << "" << true;
    QTest::newRow("超级列表框1") << "varnolt::ui::ResultList" << window << QRect(416, 16, 485, 208) << "" << true;
}

void MainWindowLayoutTest::controls() {
    QFETCH(QString, className);
    QFETCH(QString, parent);
    QFETCH(QRect, place);
    QFETCH(QString, text);
    QFETCH(bool, shown);

    LayoutWindow window;
    WindowServices services(window);
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    auto* w = window.findChild<QWidget*>(QString::fromUtf8(QTest::currentDataTag()));
    QVERIFY(w);
    QCOMPARE(w->metaObject()->className(), className);
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(w->geometry(), place);
    QCOMPARE(w->isVisibleTo(w->parentWidget()), shown);
    QVERIFY(w->isEnabled());

    QString actual;
    if (auto* e = qobject_cast<QLineEdit*>(w)) actual = e->text();
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) actual = e->toPlainText();
    if (auto* l = qobject_cast<QLabel*>(w)) actual = l->text();
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        actual = b->text();
        QVERIFY(!b->autoDefault() && !b->isDefault());
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        actual = g->title();
        QCOMPARE(g->focusPolicy(), Qt::NoFocus);
    }
    QCOMPARE(actual, text);
}

void MainWindowLayoutTest::windowFrame() {
    LayoutWindow window;
    WindowServices services(window);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.objectName(), QStringLiteral("窗口"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Varnolt"));

    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(window.windowIcon().availableSizes().contains(QSize(32, 32)));

    // Created centred for 915 × 300; the division truncates toward zero, so a
    // screen narrower than the window gives a negative left edge, not one less.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint expected((screen.width() - 915) / 2, (screen.height() - 300) / 2);
    QCOMPARE(services.outerGeometry(), QRect(expected, QSize(915, 300)));
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.frameGeometry().size(), QSize(915, 300));

    // Hidden controls stay hidden with their group; the objects are no widgets.
    QVERIFY(!window.control<QWidget>("按钮修改")->isVisible());
    QVERIFY(window.control<QWidget>("按钮修改")->isVisibleTo(window.control<QWidget>("分组框2")));
    QVERIFY(!window.control<QWidget>("通用对话框1"));
    QVERIFY(!window.control<QWidget>("拖放对象1"));
}

void MainWindowLayoutTest::resultColumns_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("alignment");
    QTest::newRow("编号") << 0 << "编号" << 50 << int(Qt::AlignLeft | Qt::AlignVCenter);
    QTest::newRow("前文") << 1 << "前文" << 100 << int(Qt::AlignCenter);
    QTest::newRow("查找") << 2 << "查找" << 140 << int(Qt::AlignCenter);
    QTest::newRow("后文") << 3 << "后文" << 100 << int(Qt::AlignCenter);
    QTest::newRow("位置") << 4 << "位置" << 75 << int(Qt::AlignCenter);
}

void MainWindowLayoutTest::resultColumns() {
    QFETCH(int, column);
    QFETCH(QString, title);
    QFETCH(int, width);
    QFETCH(int, alignment);

    LayoutWindow window;
    auto* list = window.control<ResultList>("超级列表框1");
    QCOMPARE(list->model()->columnCount(), 5);
    QCOMPARE(list->model()->headerData(column, Qt::Horizontal).toString(), title);
    QCOMPARE(list->columnWidth(column), width);
    const auto headerAlignment = list->model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole);
    QCOMPARE(int(headerAlignment.value<Qt::Alignment>()), alignment);
    list->appendRow("x");
    const auto cellAlignment = list->model()->index(0, column).data(Qt::TextAlignmentRole);
    QCOMPARE(int(cellAlignment.value<Qt::Alignment>()), alignment);
}

void MainWindowLayoutTest::focusCycle_data() {
    QTest::addColumn<bool>("modifyGroupShown");
    QTest::addColumn<QStringList>("cycle");
    QTest::newRow("modify group hidden") << false
                                         << QStringList{"超级列表框1", "编辑框搜索", "按钮搜索", "按钮全选",
                                                        "按钮全不选", "编辑框前文长度", "编辑框后文长度"};
    QTest::newRow("modify group shown")
        << true
        << QStringList{"超级列表框1", "编辑框搜索", "按钮搜索", "按钮全选", "按钮全不选",
                       "按钮修改", "按钮保存", "编辑框修改", "编辑框前文长度", "编辑框后文长度"};
}

void MainWindowLayoutTest::focusCycle() {
    QFETCH(bool, modifyGroupShown);
    QFETCH(QStringList, cycle);

    LayoutWindow window;
    WindowServices services(window);
    // The compact size leaves most of the cycle outside the window; it stays in.
    services.setWidth(415);
    services.setHeight(150);
    services.setVisible("分组框2", modifyGroupShown);
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_COMPARE(QApplication::focusWidget()->objectName(), cycle.front());

    for (qsizetype i = 1; i <= cycle.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), cycle[i % cycle.size()]);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget()->objectName(), cycle.back());

    // Tab in a multi-line box moves on and types nothing.
    auto* search = window.control<QPlainTextEdit>("编辑框搜索");
    search->setFocus();
    QTest::keyClick(search, Qt::Key_Tab);
    QCOMPARE(search->toPlainText(), QString());
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("按钮搜索"));
}

void MainWindowLayoutTest::keyRules_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("expectedText");
    QTest::newRow("enter in search box") << "编辑框搜索" << int(Qt::Key_Return) << QByteArray("ab\r\ncd");
    QTest::newRow("keypad enter in replacement box") << "编辑框修改" << int(Qt::Key_Enter)
                                                     << QByteArray("ab\r\ncd");
    QTest::newRow("enter in length box") << "编辑框后文长度" << int(Qt::Key_Return) << QByteArray("abcd");
    QTest::newRow("esc in search box") << "编辑框搜索" << int(Qt::Key_Escape) << QByteArray("abcd");
    QTest::newRow("f1 in search box") << "编辑框搜索" << int(Qt::Key_F1) << QByteArray("abcd");
    QTest::newRow("enter on a button") << "按钮搜索" << int(Qt::Key_Return) << QByteArray();
}

void MainWindowLayoutTest::keyRules() {
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(QByteArray, expectedText);

    LayoutWindow window;
    WindowServices services(window);
    services.setVisible("分组框2", true);
    services.showWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    auto* target = window.findChild<QWidget*>(control);
    auto* line = qobject_cast<QLineEdit*>(target);
    auto* box = qobject_cast<QPlainTextEdit*>(target);
    QSignalSpy clicks(window.control<QPushButton>("按钮搜索"), &QPushButton::clicked);
    target->setFocus();
    if (line) line->setText("ab");
    if (box) {
        box->setPlainText("ab");
        box->moveCursor(QTextCursor::End);
    }
    QTest::keyClick(target, Qt::Key(key));
    if (line) line->insert("cd");
    if (box) box->insertPlainText("cd");
    if (line || box) {
        QCOMPARE(QByteArray::fromStdString(services.readText(control.toUtf8().constData())), expectedText);
    }
    QCOMPARE(clicks.count(), 0);
    QVERIFY(window.isVisible());
    QCOMPARE(QApplication::focusWidget(), target);
}

void MainWindowLayoutTest::digitFilter_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("letters dropped") << "编辑框前文长度" << "a1b-2" << "1-2";
    QTest::newRow("minus anywhere, any number") << "编辑框后文长度" << "--5-" << "--5-";
    QTest::newRow("space and punctuation dropped") << "编辑框后文长度" << " 3.+4," << "34";
    QTest::newRow("full-width digit dropped") << "编辑框前文长度" << "１7" << "7";
}

void MainWindowLayoutTest::digitFilter() {
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    LayoutWindow window;
    auto* box = window.findChild<QLineEdit*>(control);
    box->clear();
    // Key by key, as typing delivers them; QTest::keyClicks takes Latin-1 only.
    for (const QChar c : typed) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(box, &press);
    }
    QCOMPARE(box->text(), expected);
    QTest::keyClick(box, Qt::Key_Backspace);
    expected.chop(1);
    QCOMPARE(box->text(), expected);
}

void MainWindowLayoutTest::digitFilterLetsPasteThrough() {
    LayoutWindow window;
    auto* box = window.control<QLineEdit>("编辑框前文长度");
    QApplication::clipboard()->setText(QStringLiteral("ab"));
    if (QApplication::clipboard()->text() != QStringLiteral("ab")) QSKIP("no clipboard on this platform");
    box->end(false);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(box->text(), QStringLiteral("10ab"));
}

QTEST_MAIN(MainWindowLayoutTest)
#include "main_window_layout_test.moc"
