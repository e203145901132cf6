#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/gbk_text.h"
#include "ui/main_window.h"
#include "ui/result_list.h"
#include "window_test_support.h"

using varnolt::LoadedFile;
using varnolt::Text;
using namespace varnolt::ui;

namespace {

const QColor red(255, 0, 0);
const QColor black(0, 0, 0);
const QList<QColor> flash{red, black, red, black, red, black};

// Records every text colour the status line takes.
struct ColourLog : QObject {
    QList<QColor> colours;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange) {
            colours << static_cast<QWidget*>(watched)->palette().color(QPalette::WindowText);
        }
        return false;
    }
};

QRect centred(QSize size) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {QPoint((screen.width() - size.width()) / 2, (screen.height() - size.height()) / 2), size};
}

QByteArray gbk(const QString& s) { return QByteArray::fromStdString(toGbk(s)); }

// One run of the program's window over a folder of test files.
struct Session {
    QTemporaryDir dir;
    LoadedFile file;
    ScriptedDialogs dialogs;
    MainWindow main{file, dialogs};
    ColourLog log;

    Session() {
        main.show();
        label()->installEventFilter(&log);
    }

    QLabel* label() { return main.window().control<QLabel>("标签1"); }
    QString caption() { return label()->text(); }
    QString path(const QString& name) { return dir.filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return {};
        return f.fileName();
    }

    void drop(const QStringList& paths) {
        std::unique_ptr<QMimeData> data(fileList(paths));
        dragAndDrop(&main.window(), data.get());
    }

    void setText(const char* box, const QString& text) {
        main.window().control<QPlainTextEdit>(box)->setPlainText(text);
    }

    void click(const char* button) { main.window().control<QPushButton>(button)->click(); }

    QByteArray buffer() { return QByteArray(file.buffer().view().data(), file.buffer().size()); }
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void oneUseFromEndToEnd();
    void statusMessages_data();
    void statusMessages();
    void failedDropKeepsTheWorkingCopy();
    void compactThenExpandedLayout();
    void searchAfterAFailedSearch();
    void handlersNestInsideARunningFlash();
    void cancelledSaveKeepsTheCaption();
    void selectAllOnAThousandRowsThenModify();
};

void MainWindowTest::oneUseFromEndToEnd() {
    Session s;
    QVERIFY(QTest::qWaitForWindowExposed(&s.main.window()));
    const QByteArray original = QByteArray("MZ\0\0", 4) + "ab" + gbk("汉字") + "cd" + QByteArray(3, '\0') + "xb" +
                                gbk("汉") + "yy" + "b" + gbk("汉") + "END";
    const QString source = s.write(QStringLiteral("程序.exe"), original);
    const QString target = s.write("patched.exe", "old content");
    QVERIFY(!source.isEmpty() && !target.isEmpty());

    s.drop({source});
    QCOMPARE(s.caption(), QStringLiteral("状态：文件读入完成！"));

    // Typed as a person would, the two-byte character as one key.
    auto* searchBox = s.main.window().control<QPlainTextEdit>("编辑框搜索");
    searchBox->setFocus();
    QTest::keyClicks(searchBox, "b");
    QKeyEvent han(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("汉"));
    QCoreApplication::sendEvent(searchBox, &han);
    QTest::mouseClick(s.main.window().control<QPushButton>("按钮搜索"), Qt::LeftButton);

    ResultList& list = s.main.results();
    QCOMPARE(list.rowCount(), 3);
    QCOMPARE(list.cellText(0, 4), Text("6"));
    QCOMPARE(list.cellText(1, 4), Text("17"));
    QCOMPARE(list.cellText(2, 4), Text("22"));
    QCOMPARE(QByteArray::fromStdString(list.cellText(0, 2)), gbk("b汉"));

    // Check the first and the last row with the keyboard.
    list.setFocus();
    for (int row : {0, 2}) {
        list.setCurrentIndex(list.model()->index(row, 1));
        QTest::keyClick(&list, Qt::Key_Space);
    }
    auto* replacementBox = s.main.window().control<QPlainTextEdit>("编辑框修改");
    replacementBox->setFocus();
    QTest::keyClicks(replacementBox, "Z");
    QTest::mouseClick(s.main.window().control<QPushButton>("按钮修改"), Qt::LeftButton);
    QCOMPARE(s.caption(), QStringLiteral("状态：修改完成"));

    s.dialogs.answers = {target};
    QTest::mouseClick(s.main.window().control<QPushButton>("按钮保存"), Qt::LeftButton);
    QCOMPARE(s.caption(), QStringLiteral("状态：文件保存成功"));

    QByteArray expected = original;
    expected.replace(5, 3, QByteArray("Z\0\0", 3));
    expected.replace(21, 3, QByteArray("Z\0\0", 3));
    QCOMPARE(readAll(target), expected);
    QCOMPARE(readAll(source), original);
    QCOMPARE(s.log.colours, QList<QColor>());
}

void MainWindowTest::statusMessages_data() {
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("flashes");

    const QString initial = QStringLiteral("状态：请拖入文件到本窗口");
    const QString read = QStringLiteral("状态：文件读入完成！");
    const QString readFailed = QStringLiteral("状态：文件读入失败！");
    const QStringList loaded{"drop:file"};
    const QStringList listed{"drop:file", "search:ab", "click:按钮搜索"};
    const QStringList none;

    QTest::newRow("search before a drop") << none << "click:按钮搜索" << initial << true;
    QTest::newRow("modify before a drop") << none << "click:按钮修改" << initial << true;
    QTest::newRow("save before a drop") << none << "click:按钮保存" << initial << true;
    QTest::newRow("drop a file") << none << "drop:file" << read << false;
    QTest::newRow("drop an empty file") << none << "drop:empty" << read << false;
    QTest::newRow("drop a missing file") << none << "drop:missing" << readFailed << true;
    QTest::newRow("drop a folder") << none << "drop:folder" << readFailed << true;
    QTest::newRow("drop two files") << none << "drop:two" << readFailed << true;
    QTest::newRow("search with an empty box") << loaded << "click:按钮搜索" << "状态：请输入搜索文本！" << true;
    QTest::newRow("search finds nothing") << QStringList{"drop:file", "search:zz"} << "click:按钮搜索"
                                          << "状态：未找到(加壳软件请脱壳)" << true;
    QTest::newRow("search lists rows") << QStringList{"drop:file", "search:ab"} << "click:按钮搜索" << read << false;
    QTest::newRow("search of blanks is not empty") << QStringList{"drop:file", "search: "} << "click:按钮搜索"
                                                   << "状态：未找到(加壳软件请脱壳)" << true;
    QTest::newRow("modify without replacement") << listed << "click:按钮修改"
                                                << "状态：请输入简单点搜索，如果未找到或许加壳了!" << true;
    QTest::newRow("modify with a longer replacement") << listed + QStringList{"replace:abc"} << "click:按钮修改"
                                                      << "状态：用做替换的文本不能比搜索文本长!" << true;
    QTest::newRow("modify with a two-byte replacement") << listed + QStringList{"replace:汉"} << "click:按钮修改"
                                                        << "状态：修改完成" << false;
    QTest::newRow("modify done") << listed + QStringList{"replace:x", "click:按钮全选"} << "click:按钮修改"
                                 << "状态：修改完成" << false;
    QTest::newRow("save written") << loaded + QStringList{"answer:target"} << "click:按钮保存"
                                  << "状态：文件保存成功" << false;
    QTest::newRow("save cancelled") << loaded + QStringList{"answer:cancel"} << "click:按钮保存" << read << false;
    QTest::newRow("save failed after a success")
        << loaded + QStringList{"answer:target", "click:按钮保存", "answer:unwritable"} << "click:按钮保存"
        << "状态：文件保存失败！" << true;
    QTest::newRow("select all") << listed << "click:按钮全选" << read << false;
    QTest::newRow("select none") << listed << "click:按钮全不选" << read << false;
    QTest::newRow("select all before a drop") << none << "click:按钮全选" << initial << false;
}

void MainWindowTest::statusMessages() {
    QFETCH(QStringList, setup);
    QFETCH(QString, action);
    QFETCH(QString, caption);
    QFETCH(bool, flashes);

    Session s;
    const QString file = s.write("app.bin", "..ab..ab..");
    const QString empty = s.write("empty.bin", "");
    const QString target = s.write("target.bin", "old");
    const auto run = [&](const QString& step) {
        const QString kind = step.section(':', 0, 0);
        const QString arg = step.section(':', 1);
        if (kind == "drop") {
            const QMap<QString, QStringList> drops{{"file", {file}},
                                                   {"empty", {empty}},
                                                   {"missing", {s.path("missing.bin")}},
                                                   {"folder", {s.dir.path()}},
                                                   {"two", {file, empty}}};
            s.drop(drops[arg]);
        } else if (kind == "search") {
            s.setText("编辑框搜索", arg);
        } else if (kind == "replace") {
            s.setText("编辑框修改", arg);
        } else if (kind == "answer") {
            const QMap<QString, std::optional<QString>> answers{
                {"target", target}, {"cancel", std::nullopt}, {"unwritable", s.path("no-such-folder/x.bin")}};
            s.dialogs.answers.push_back(answers[arg]);
        } else if (kind == "click") {
            s.click(arg.toUtf8().constData());
        }
    };
    for (const QString& step : setup) run(step);
    s.log.colours.clear();
    run(action);

    QCOMPARE(s.caption(), caption);
    QCOMPARE(s.log.colours, flashes ? flash : QList<QColor>());
    QCOMPARE(s.label()->palette().color(QPalette::WindowText), black);
}

void MainWindowTest::failedDropKeepsTheWorkingCopy() {
    Session s;
    const QString file = s.write("app.bin", "..ab..ab..");
    s.drop({file});
    s.setText("编辑框搜索", "ab");
    s.click("按钮搜索");
    s.setText("编辑框修改", "X");
    s.click("按钮全选");
    s.click("按钮修改");
    const QByteArray patched("..X\0..X\0..", 10);
    QCOMPARE(s.buffer(), patched);

    for (const QStringList& paths : {QStringList{s.path("missing.bin")}, QStringList{file, file}}) {
        s.drop(paths);
        QCOMPARE(s.caption(), QStringLiteral("状态：文件读入失败！"));
        QVERIFY(s.file.isLoaded());
        QCOMPARE(s.buffer(), patched);
        QCOMPARE(s.main.results().rowCount(), 2);
        QCOMPARE(s.main.results().isChecked(1), 1);
    }
}

void MainWindowTest::compactThenExpandedLayout() {
    Session s;
    WindowServices& services = s.main.services();
    LayoutWindow& window = s.main.window();
    QCOMPARE(services.outerGeometry(), centred({415, 150}));
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.frameGeometry(), centred({415, 150}));
    QCOMPARE(s.label()->geometry(), QRect(8, 95, 392, 24));
    QVERIFY(!window.control<QGroupBox>("分组框2")->isVisible());
    QVERIFY(window.acceptDrops());

    s.drop({s.write("app.bin", "..ab..")});
    s.setText("编辑框搜索", "ab");
    window.move(10, 20);  // the user moved it; a search that lists rows centres it again
    QTRY_COMPARE(services.outerGeometry().topLeft(), QPoint(10, 20));
    s.click("按钮搜索");
    QCOMPARE(services.outerGeometry(), centred({915, 300}));
    QCOMPARE(window.frameGeometry().size(), QSize(915, 300));
    QCOMPARE(s.label()->geometry(), QRect(8, 239, 395, 24));
    QVERIFY(window.control<QGroupBox>("分组框2")->isVisible());
    QVERIFY(window.control<QPushButton>("按钮修改")->isVisible());
    QCOMPARE(s.caption(), QStringLiteral("状态：文件读入完成！"));
}

void MainWindowTest::searchAfterAFailedSearch() {
    Session s;
    s.drop({s.write("app.bin", "..ab..ab..")});
    s.setText("编辑框搜索", "zz");
    s.click("按钮搜索");
    QCOMPARE(s.main.results().rowCount(), 0);
    QCOMPARE(s.main.services().outerGeometry().size(), QSize(415, 150));

    s.setText("编辑框搜索", "ab");
    s.click("按钮搜索");
    QCOMPARE(s.main.results().rowCount(), 2);
    QCOMPARE(s.main.services().outerGeometry().size(), QSize(915, 300));
    QCOMPARE(s.caption(), QStringLiteral("状态：未找到(加壳软件请脱壳)"));

    // An empty box leaves the rows; a search that finds nothing empties the list.
    s.setText("编辑框搜索", "");
    s.click("按钮搜索");
    QCOMPARE(s.main.results().rowCount(), 2);
    s.setText("编辑框搜索", "zz");
    s.click("按钮搜索");
    QCOMPARE(s.main.results().rowCount(), 0);
    QCOMPARE(s.main.services().outerGeometry().size(), QSize(915, 300));
    QVERIFY(s.main.window().control<QGroupBox>("分组框2")->isVisibleTo(&s.main.window()));
}

void MainWindowTest::handlersNestInsideARunningFlash() {
    Session s;
    QVERIFY(QTest::qWaitForWindowExposed(&s.main.window()));
    QSignalSpy clicks(s.main.window().control<QPushButton>("按钮搜索"), &QPushButton::clicked);
    const QString file = s.write("app.bin", "..ab..");
    // Two clicks and a drop land while the first flash is pausing.
    QTimer::singleShot(20, [&] { s.click("按钮搜索"); });
    QTimer::singleShot(40, [&] { s.click("按钮搜索"); });
    QTimer::singleShot(60, [&] { s.drop({file}); });
    s.main.onSearchClicked();

    QCOMPARE(clicks.count(), 2);
    QVERIFY(s.file.isLoaded());
    QCOMPARE(s.caption(), QStringLiteral("状态：文件读入完成！"));
    QCOMPARE(s.label()->palette().color(QPalette::WindowText), black);
    QCOMPARE(s.log.colours.back(), black);
}

void MainWindowTest::cancelledSaveKeepsTheCaption() {
    Session s;
    const QString target = s.write("target.bin", "old");
    s.drop({s.write("app.bin", "new")});
    s.dialogs.answers = {std::nullopt, target, std::nullopt};

    s.click("按钮保存");
    QCOMPARE(s.caption(), QStringLiteral("状态：文件读入完成！"));
    QCOMPARE(readAll(target), QByteArray("old"));
    s.click("按钮保存");
    QCOMPARE(readAll(target), QByteArray("new"));
    s.drop({s.write("other.bin", "other")});
    s.click("按钮保存");
    QCOMPARE(s.caption(), QStringLiteral("状态：文件读入完成！"));
    QCOMPARE(readAll(target), QByteArray("new"));
    QCOMPARE(s.dialogs.startNames, (QStringList{QString(), QString(), target}));
}

void MainWindowTest::selectAllOnAThousandRowsThenModify() {
    Session s;
    QByteArray content;
    for (int i = 0; i < 1200; ++i) content += "ab.";
    s.drop({s.write("many.bin", content)});
    s.setText("编辑框搜索", "ab");
    s.click("按钮搜索");
    ResultList& list = s.main.results();
    QCOMPARE(list.rowCount(), 1000);

    s.click("按钮全选");
    QCOMPARE(list.isChecked(0), 1);
    QCOMPARE(list.isChecked(999), 1);
    s.setText("编辑框修改", "x");
    s.click("按钮修改");

    QByteArray expected = content;
    for (int i = 0; i < 1000; ++i) expected[3 * i] = 'x', expected[3 * i + 1] = '\0';
    QCOMPARE(s.buffer(), expected);

    s.click("按钮全不选");
    QCOMPARE(list.isChecked(0), 0);
    QCOMPARE(list.isChecked(999), 0);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
