#include "ui/main_window_layout.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextOption>
#include <QWindow>
#include <array>

#include "ui/result_list.h"

namespace varnolt::ui {
namespace {

enum class ControlKind { lineEdit, multiLineEdit, label, pushButton, groupBox, reportList, object };

struct ControlEntry {
    const char* name;
    ControlKind kind;
    const char* parent;  // nullptr: the window
    QRect place;         // in the parent; a group box's children from its top-left corner
    const char* text;
    bool shown;
};

using K = ControlKind;

// In layout order, which is also the stacking order, the first on top.
constexpr std::array<ControlEntry, 17> controls{{
    {"编辑框后文长度", K::lineEdit, nullptr, {816, 240, 88, 24}, "10", true},
    {"标签3", K::label, nullptr, {760, 240, 56, 24}, "后文长度：", true},
    {"编辑框前文长度", K::lineEdit, nullptr, {648, 240, 88, 24}, "10", true},
    {"标签2", K::label, nullptr, {592, 240, 56, 24}, "前文长度：", true},
    {"编辑框修改", K::multiLineEdit, "分组框2", {16, 32, 288, 72}, "", true},
    {"按钮保存", K::pushButton, "分组框2", {320, 72, 56, 32}, "保存", true},
    {"按钮修改", K::pushButton, "分组框2", {320, 32, 56, 32}, "修改", true},
    {"分组框2", K::groupBox, nullptr, {8, 96, 392, 128}, "修改", false},
    {"按钮全不选", K::pushButton, nullptr, {504, 232, 72, 32}, "全不选", true},
    {"按钮全选", K::pushButton, nullptr, {416, 232, 80, 32}, "全选", true},
    {"标签1", K::label, nullptr, {8, 239, 392, 24}, "状态：请拖入文件到本窗口", true},
    {"通用对话框1", K::object, nullptr, {152, 8, 26, 26}, "", false},
    {"拖放对象1", K::object, nullptr, {184, 8, 26, 26}, "", false},
    {"分组框1", K::groupBox, nullptr, {8, 8, 392, 80}, "搜索", true},
    {"按钮搜索", K::pushButton, "分组框1", {320, 24, 56, 40}, "搜索", true},
    {"编辑框搜索", K::multiLineEdit, "分组框1", {16, 24, 288, 40}, "", true},
    {"超级列表框1", K::reportList, nullptr, {416, 16, 485, 208}, "", true},
}};

// Tab order; labels, group boxes and the two objects never take the focus.
constexpr std::array<const char*, 10> cycle{
    "超级列表框1", "编辑框搜索", "按钮搜索", "按钮全选", "按钮全不选",
    "按钮修改",    "按钮保存",   "编辑框修改", "编辑框前文长度", "编辑框后文长度",
};

QWidget* makeControl(const ControlEntry& entry, QWidget* window) {
    const QString text = QString::fromUtf8(entry.text);
    switch (entry.kind) {
        case K::lineEdit: {
            auto* edit = new QLineEdit(text, window);
            edit->setCursorPosition(0);
            return edit;
        }
        case K::multiLineEdit: {
            auto* edit = new QPlainTextEdit(text, window);
            edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            // Breaking at any character, not only between words: a pasted
            // megabyte without spaces otherwise freezes the layout for minutes.
            edit->setWordWrapMode(QTextOption::WrapAnywhere);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setTabChangesFocus(true);
            return edit;
        }
        case K::label: {
            auto* label = new QLabel(text, window);
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            label->setWordWrap(false);
            label->setAutoFillBackground(true);
            label->setFocusPolicy(Qt::NoFocus);
            if (entry.name == std::string_view("标签1")) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            return label;
        }
        case K::pushButton: {
            auto* button = new QPushButton(text, window);
            button->setAutoDefault(false);  // Enter never presses a button
            button->setDefault(false);
            return button;
        }
        case K::groupBox: {
            auto* group = new QGroupBox(text, window);
            group->setFocusPolicy(Qt::NoFocus);
            return group;
        }
        case K::reportList:
            return new ResultList(window);
        case K::object:
            return nullptr;
    }
    return nullptr;
}

bool isLengthBox(const QObject* o) {
    const QString name = o->objectName();
    return name == QStringLiteral("编辑框前文长度") || name == QStringLiteral("编辑框后文长度");
}

// Typed characters only: control characters and Ctrl combinations (Backspace,
// paste, undo) pass, so pasted text arrives unchanged.
bool refusedByDigitFilter(const QKeyEvent& key) {
    if (key.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    for (const QChar c : key.text()) {
        if (c.unicode() >= 32 && !(c >= u'0' && c <= u'9') && c != u'-') return true;
    }
    return false;
}

bool startsWindowDrag(const QEvent& event) {
    return event.type() == QEvent::MouseButtonPress &&
           static_cast<const QMouseEvent&>(event).button() == Qt::LeftButton;
}

}  // namespace

LayoutWindow::LayoutWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("窗口"));
    setWindowTitle(QStringLiteral("Varnolt"));
    setWindowIcon(QIcon(QStringLiteral(":/varnolt/icon.png")));
    setAutoFillBackground(true);

    // Group boxes come after their children in the table, so parents are
    // settled once every control exists.
    for (const ControlEntry& entry : controls) {
        if (QWidget* w = makeControl(entry, this)) w->setObjectName(QString::fromUtf8(entry.name));
    }
    for (const ControlEntry& entry : controls) {
        QWidget* w = control<QWidget>(entry.name);
        if (!w) continue;
        if (entry.parent) w->setParent(control<QWidget>(entry.parent));
        w->setGeometry(entry.place);
        w->setVisible(entry.shown);
        if (entry.kind == K::label || entry.kind == K::groupBox) w->installEventFilter(this);
        if (isLengthBox(w)) w->installEventFilter(this);
    }
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
        if (QWidget* w = control<QWidget>(it->name)) w->raise();
    }
    for (std::size_t i = 0; i + 1 < cycle.size(); ++i) {
        setTabOrder(control<QWidget>(cycle[i]), control<QWidget>(cycle[i + 1]));
    }
    control<QWidget>(cycle.front())->setFocus();
}

bool LayoutWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && isLengthBox(watched)) {
        return refusedByDigitFilter(static_cast<const QKeyEvent&>(*event));
    }
    if (startsWindowDrag(*event) && (qobject_cast<QLabel*>(watched) || qobject_cast<QGroupBox*>(watched))) {
        moveWithPointer();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void LayoutWindow::mousePressEvent(QMouseEvent* event) {
    if (startsWindowDrag(*event)) {
        moveWithPointer();
        return;
    }
    QWidget::mousePressEvent(event);
}

void LayoutWindow::moveWithPointer() {
    // The window manager moves the window as if its title bar were dragged.
    if (QWindow* w = windowHandle()) w->startSystemMove();
}

void LayoutWindow::closeEvent(QCloseEvent* event) {
    // The window is never asked; it goes, and the services fall silent.
    closed_ = true;
    event->accept();
}

}  // namespace varnolt::ui
