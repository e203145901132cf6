// The window under faults: drops of files that cannot be read, the window
// closed while the status line flashes, handlers nested in a flash, and texts
// pasted into the boxes that typing would never produce.
#include <sys/stat.h>

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/main_window.h"
#include "ui/result_list.h"
#include "tests/hardening/special_files.h"
#include "tests/ui/window_test_support.h"

using varnolt::LoadedFile;
using namespace varnolt::ui;

namespace {

const QColor red(255, 0, 0);
const QColor black(0, 0, 0);
const QString readFailed = QStringLiteral("状态：文件读入失败！");

// The program's window over a scratch folder, with the status line's colours
// recorded as they change.
struct Session : QObject {
    QTemporaryDir dir;
    LoadedFile file;
    ScriptedDialogs dialogs;
    MainWindow main{file, dialogs};
    QList<QColor> colours;

    Session() {
        main.show();
        label()->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange)
            colours << static_cast<QWidget*>(watched)->palette().color(QPalette::WindowText);
        return false;
    }

    QLabel* label() { return main.window().control<QLabel>("标签1"); }
    QString caption() { return label()->text(); }
    QString path(const QString& name) const { return dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? f.fileName() : QString();
    }
    void drop(const QString& path) {
        std::unique_ptr<QMimeData> data(fileList({path}));
        dragAndDrop(&main.window(), data.get());
    }
    void click(const char* button) { main.window().control<QPushButton>(button)->click(); }
    void type(const char* box, const QString& text) { main.window().control<QPlainTextEdit>(box)->setPlainText(text); }
    // Through the clipboard and the paste key, as a user pastes.
    void paste(QWidget* box, const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        box->setFocus();
        QTest::keySequence(box, QKeySequence::SelectAll);
        QTest::keySequence(box, QKeySequence::Paste);
    }
    QByteArray buffer() const { return {file.buffer().view().data(), file.buffer().size()}; }

    // Loads a file, lists its two places, checks both and patches them: an
    // unsaved working copy that a fault must not lose.
    QByteArray patchedWorkingCopy() {
        drop(write("app.bin", "..ab..ab.."));
        type("编辑框搜索", "ab");
        click("按钮搜索");
        click("按钮全选");
        type("编辑框修改", "X");
        click("按钮修改");
        return buffer();
    }
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Makes the named fault in dir; the path to drop.
QString makeUnreadable(const QString& kind, const QTemporaryDir& dir) {
    const QString p = dir.filePath(kind);
    const std::string native = QFile::encodeName(p).toStdString();
    if (kind == "folder") QDir(dir.path()).mkdir(kind);
    if (kind == "fifo_without_writer") mkfifo(native.c_str(), 0644);
    if (kind == "unix_socket") varnolt::testing_support::makeUnixSocket(native);
    if (kind == "sparse_two_gib") varnolt::testing_support::makeSparse(native, std::int64_t{1} << 31);
    if (kind == "link_loop") QFile::link(p, p);
    if (kind == "dev_zero") return QStringLiteral("/dev/zero");
    return p;
}

}  // namespace

class WindowFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void failedDropKeepsTheWorkingCopy_data();
    void failedDropKeepsTheWorkingCopy();
    void windowClosedDuringAFlash();
    void dropModifySaveNestedInAFlash();
    void pastedLengthTexts_data();
    void pastedLengthTexts();
    void pastedMebibyteSearchAndReplacement();
    void charactersCodePage936CannotHold();
};

void WindowFaultsTest::failedDropKeepsTheWorkingCopy_data() {
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"folder", "fifo_without_writer", "dev_zero", "unix_socket", "sparse_two_gib", "link_loop"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void WindowFaultsTest::failedDropKeepsTheWorkingCopy() {
    QFETCH(QString, kind);
    Session s;
    const QByteArray patched = s.patchedWorkingCopy();
    QCOMPARE(patched, QByteArray("..X\0..X\0..", 10));
    s.colours.clear();

    s.drop(makeUnreadable(kind, s.dir));
    QCOMPARE(s.caption(), readFailed);
    QCOMPARE(s.colours, (QList<QColor>{red, black, red, black, red, black}));
    QVERIFY(s.file.isLoaded());
    QCOMPARE(s.buffer(), patched);
    QCOMPARE(s.main.results().rowCount(), 2);
    QCOMPARE(s.main.results().isChecked(1), 1);
}

// Closing the window while a failed drop flashes: the flash runs out against
// a window that is gone, and later handlers do nothing harmful.
void WindowFaultsTest::windowClosedDuringAFlash() {
    Session s;
    const QByteArray patched = s.patchedWorkingCopy();
    s.colours.clear();
    QTimer::singleShot(120, &s.main.window(), [&] { s.main.window().close(); });
    s.drop(s.path("missing.bin"));

    QVERIFY(s.main.window().isClosed());
    QVERIFY(!s.main.window().isVisible());
    QVERIFY2(s.colours.size() < 6, "the flash went on colouring a closed window");
    QCOMPARE(s.buffer(), patched);

    s.main.onSearchClicked();
    s.main.onModifyClicked();
    s.dialogs.answers = {s.path("saved.bin")};
    s.main.onSaveClicked();
    s.main.onFileDropped(QFile::encodeName(s.path("missing.bin")).toStdString());
    QCOMPARE(s.buffer(), patched);
}

// While a failed drop flashes, another file is dropped, Modify is pressed with
// rows listed for the earlier, longer file, and Save is pressed: the nested
// handlers work on the new working copy, skip the place that lies past its
// end, and save it whole.
void WindowFaultsTest::dropModifySaveNestedInAFlash() {
    Session s;
    s.drop(s.write("long.bin", "..ab..ab..ab"));
    s.type("编辑框搜索", "ab");
    s.click("按钮搜索");
    QCOMPARE(s.main.results().rowCount(), 3);
    s.click("按钮全选");
    s.type("编辑框修改", "Z");
    const QString shorter = s.write("short.bin", "0123456789");
    const QString target = s.path("saved.bin");
    s.dialogs.answers = {target};

    QTimer::singleShot(20, &s.main, [&] { s.drop(shorter); });
    QTimer::singleShot(60, &s.main, [&] { s.click("按钮修改"); });
    QTimer::singleShot(100, &s.main, [&] { s.click("按钮保存"); });
    s.main.onFileDropped(QFile::encodeName(s.path("missing.bin")).toStdString());

    const QByteArray expected("01Z\0" "45Z\0" "89", 10);
    QCOMPARE(s.buffer(), expected);
    QCOMPARE(readAll(target), expected);
    QCOMPARE(s.caption(), QStringLiteral("状态：文件保存成功"));
    QCOMPARE(s.colours.back(), black);
}

void WindowFaultsTest::pastedLengthTexts_data() {
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QByteArray>("afterFirst");  // the span after the hit at the start
    QTest::addColumn<QByteArray>("beforeLast");  // the span before the hit at the end
    QTest::newRow("eleven_nines") << "99999999999" << QByteArray("0123456789HIT") << QByteArray("HIT0123456789");
    QTest::newRow("int_min") << "-2147483648" << QByteArray() << QByteArray();
    QTest::newRow("double_minus") << "--5" << QByteArray() << QByteArray();
    QTest::newRow("full_width_digits") << QStringLiteral("１０") << QByteArray("0123456789") << QByteArray("0123456789");
    QTest::newRow("full_width_minus") << QStringLiteral("－４") << QByteArray() << QByteArray();
    QTest::newRow("ideographic_space") << QStringLiteral("\u3000４") << QByteArray("0123") << QByteArray("6789");
    QTest::newRow("emoji_only") << QStringLiteral("😀") << QByteArray() << QByteArray();
    QTest::newRow("digit_then_emoji") << QStringLiteral("4😀") << QByteArray("0123") << QByteArray("6789");
}

// The length boxes refuse such characters when typed, but take them pasted.
void WindowFaultsTest::pastedLengthTexts() {
    QFETCH(QString, pasted);
    QFETCH(QByteArray, afterFirst);
    QFETCH(QByteArray, beforeLast);
    Session s;
    s.drop(s.write("app.bin", "HIT0123456789HIT"));
    for (const char* box : {"编辑框前文长度", "编辑框后文长度"}) {
        auto* edit = s.main.window().control<QLineEdit>(box);
        s.paste(edit, pasted);
        QCOMPARE(edit->text(), pasted);
    }
    s.type("编辑框搜索", "HIT");
    s.click("按钮搜索");
    const ResultList& rows = s.main.results();
    QCOMPARE(rows.rowCount(), 2);
    QCOMPARE(QByteArray::fromStdString(rows.cellText(0, 1)), QByteArray());
    QCOMPARE(QByteArray::fromStdString(rows.cellText(0, 3)), afterFirst);
    QCOMPARE(QByteArray::fromStdString(rows.cellText(1, 1)), beforeLast);
    QCOMPARE(QByteArray::fromStdString(rows.cellText(1, 3)), QByteArray());
}

// A search text and a replacement of 1 MiB each, pasted as lines: the boxes
// hand line breaks over as CR LF, which the file holds.
void WindowFaultsTest::pastedMebibyteSearchAndReplacement() {
    Session s;
    QString pasted;
    for (int i = 0; pasted.size() < (1 << 20); ++i) pasted += QChar(i % 81 == 80 ? '\n' : 'a' + i * 7 % 26);
    QByteArray text = pasted.toLatin1();
    text.replace("\n", "\r\n");
    const QByteArray content = "head" + text + "mid" + text + "tail";
    s.drop(s.write("big.bin", content));
    s.paste(s.main.window().control<QPlainTextEdit>("编辑框搜索"), pasted);
    s.click("按钮搜索");
    QCOMPARE(s.main.results().rowCount(), 2);
    QCOMPARE(QByteArray::fromStdString(s.main.results().cellText(1, 4)), QByteArray::number(5 + text.size() + 3));

    s.click("按钮全选");
    s.paste(s.main.window().control<QPlainTextEdit>("编辑框修改"), pasted.mid(1));
    s.click("按钮修改");
    QCOMPARE(s.caption(), QStringLiteral("状态：修改完成"));
    QByteArray expected = content;
    expected.replace(4, text.size(), text.mid(1) + '\0');
    expected.replace(4 + text.size() + 3, text.size(), text.mid(1) + '\0');
    QCOMPARE(s.buffer().size(), content.size());
    QVERIFY2(s.buffer() == expected, "the patched working copy differs");
}

// Characters that code page 936 cannot hold become "?" in a search text and
// in a replacement; the size stays.
void WindowFaultsTest::charactersCodePage936CannotHold() {
    Session s;
    s.drop(s.write("app.bin", "xa?b?y"));
    s.paste(s.main.window().control<QPlainTextEdit>("编辑框搜索"), QStringLiteral("a😀b"));
    s.click("按钮搜索");
    QCOMPARE(s.main.results().rowCount(), 1);
    QCOMPARE(QByteArray::fromStdString(s.main.results().cellText(0, 4)), QByteArray("2"));
    s.click("按钮全选");
    s.paste(s.main.window().control<QPlainTextEdit>("编辑框修改"), QStringLiteral("한"));
    s.click("按钮修改");
    QCOMPARE(s.buffer(), QByteArray("x?\0\0?y", 6));
}

QTEST_MAIN(WindowFaultsTest)
#include "window_faults_test.moc"
