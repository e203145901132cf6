// The window 窗口 and its seventeen controls as they are right after creation.
#pragma once

#include <QRect>
#include <QWidget>
#include <span>

namespace varnolt::ui {

enum class ControlKind { lineEdit, multiLineEdit, label, pushButton, groupBox, reportList, object };

struct ControlEntry {
    const char* name;
    ControlKind kind;
    const char* parent;  // nullptr: the window
    QRect place;         // in the parent; a group box's children from its top-left corner
    const char* text;
    bool shown;
};

inline constexpr QSize designSize{915, 300};

// In layout order, which is also the stacking order, the first on top.
std::span<const ControlEntry> controlTable();
// Tab order; labels, group boxes and the two objects never take the focus.
std::span<const char* const> focusCycle();

// Built hidden and unplaced: the window services give it its outer size and
// place. Objects (kind object) have no widget here; whoever serves them names
// them after their row.
class LayoutWindow : public QWidget {
    Q_OBJECT
public:
    LayoutWindow();

    template <class T>
    T* control(const char* name) const {
        return findChild<T*>(QString::fromUtf8(name));
    }
    bool isClosed() const { return closed_; }

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void moveWithPointer();

    bool closed_ = false;
};

}  // namespace varnolt::ui
