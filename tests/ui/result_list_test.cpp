#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

#include "ui/result_list.h"

using varnolt::Text;
using varnolt::ui::ResultList;

class ResultListTest : public QObject {
    Q_OBJECT

private slots:
    void newListHasNoRows();
    void rowsStoreTheirBytes();
    void indexesPastTheEndChangeNothing();
    void clearRowsForgetsEveryRow();
    void userTogglesWithClickAndSpace();
    void titlesNeitherSortNorMove();
    void cellsCannotBeEdited();
};

namespace {

// Three rows with the given position texts, the way the search fills them.
void fill(ResultList& list, std::initializer_list<const char*> positions) {
    int n = 1;
    for (const char* p : positions) {
        const std::int32_t r = list.appendRow(std::to_string(n++));
        list.setCellText(r, 2, "found");
        list.setCellText(r, 4, p);
    }
}

QStringList column0(const ResultList& list) {
    QStringList texts;
    for (int r = 0; r < list.model()->rowCount(); ++r) {
        texts << list.model()->index(r, 0).data().toString();
    }
    return texts;
}

}  // namespace

void ResultListTest::newListHasNoRows() {
    ResultList list;
    QCOMPARE(list.rowCount(), 0);
    QCOMPARE(list.isChecked(0), -1);
    QCOMPARE(list.cellText(0, 0), Text());
}

void ResultListTest::rowsStoreTheirBytes() {
    ResultList list;
    QCOMPARE(list.appendRow("1"), 0);
    QCOMPARE(list.appendRow("2"), 1);
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(list.isChecked(1), 0);
    for (int c = 1; c < 5; ++c) QCOMPARE(list.cellText(1, c), Text());

    // Whole texts of any length, and code page 936 bytes shown decoded.
    const Text long600(600, 'x');
    const Text gbk = "\xd7\xb4\xcc\xac\r\n\x01";  // 状态, CR LF and a control byte
    list.setCellText(1, 1, long600);
    list.setCellText(1, 2, gbk);
    list.setCellText(1, 4, "123456789");
    QCOMPARE(list.cellText(1, 1), long600);
    QCOMPARE(list.cellText(1, 2), gbk);
    QCOMPARE(list.cellText(1, 4), Text("123456789"));
    QVERIFY(list.model()->index(1, 2).data().toString().startsWith(QStringLiteral("状态")));

    list.setChecked(1, 1);
    QCOMPARE(list.isChecked(1), 1);
    QCOMPARE(list.isChecked(0), 0);
    list.setChecked(1, 0);
    QCOMPARE(list.isChecked(1), 0);
}

void ResultListTest::indexesPastTheEndChangeNothing() {
    ResultList list;
    fill(list, {"10", "20"});
    list.setCellText(2, 4, "99");
    list.setChecked(2, 1);
    list.setCellText(0, 5, "bad column");
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(list.isChecked(2), -1);
    QCOMPARE(list.cellText(2, 4), Text());
    QCOMPARE(list.cellText(0, 5), Text());
    QCOMPARE(list.cellText(1, 4), Text("20"));
}

void ResultListTest::clearRowsForgetsEveryRow() {
    ResultList list;
    list.resize(485, 208);
    list.show();
    for (int i = 0; i < 1000; ++i) list.appendRow(std::to_string(i + 1));
    list.setChecked(999, 1);
    list.scrollToBottom();
    QVERIFY(list.verticalScrollBar()->value() > 0);

    list.clearRows();
    QCOMPARE(list.rowCount(), 0);
    QCOMPARE(list.isChecked(999), -1);
    QCOMPARE(list.cellText(0, 0), Text());
    QCOMPARE(list.verticalScrollBar()->value(), 0);
    QCOMPARE(list.appendRow("1"), 0);
    QCOMPARE(list.isChecked(0), 0);
}

void ResultListTest::userTogglesWithClickAndSpace() {
    ResultList list;
    list.resize(485, 208);
    fill(list, {"10", "20", "30"});
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));

    // The box sits at the start of column 0.
    const QRect cell = list.visualRect(list.model()->index(1, 0));
    const int box = list.style()->pixelMetric(QStyle::PM_IndicatorWidth);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 3 + box / 2, cell.center().y()));
    QCOMPARE(list.isChecked(1), 1);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 3 + box / 2, cell.center().y()));
    QCOMPARE(list.isChecked(1), 0);

    // Space toggles the focused row, whichever cell holds the focus.
    list.setFocus();
    list.setCurrentIndex(list.model()->index(2, 3));
    QTest::keyClick(&list, Qt::Key_Space);
    QCOMPARE(list.isChecked(2), 1);
    QTest::keyClick(&list, Qt::Key_Space);
    QCOMPARE(list.isChecked(2), 0);
    QCOMPARE(list.isChecked(0), 0);
}

void ResultListTest::titlesNeitherSortNorMove() {
    ResultList list;
    list.resize(485, 208);
    fill(list, {"30", "10", "20"});
    list.setCellText(0, 0, "3");
    list.setCellText(2, 0, "1");
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QStringList before = column0(list);

    QHeaderView* header = list.header();
    QVERIFY(!header->sectionsMovable());
    for (int section : {0, 4, 4}) {
        const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        QCOMPARE(column0(list), before);
        QCOMPARE(list.cellText(0, 4), Text("30"));
    }
    QCOMPARE(header->visualIndex(4), 4);
}

void ResultListTest::cellsCannotBeEdited() {
    ResultList list;
    list.resize(485, 208);
    fill(list, {"10"});
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QRect cell = list.visualRect(list.model()->index(0, 2));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::keyClick(&list, Qt::Key_F2);
    QVERIFY(!list.findChild<QLineEdit*>());
    QCOMPARE(list.cellText(0, 2), Text("found"));
}

QTEST_MAIN(ResultListTest)
#include "result_list_test.moc"
