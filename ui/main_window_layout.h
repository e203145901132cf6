// The window 窗口 and its seventeen controls as they are right after creation.
#pragma once

#include <QWidget>

namespace varnolt::ui {

inline constexpr QSize designSize{915, 300};

// Built hidden and unplaced: the window services give it its outer size and
// place. The dialog and drop objects of the layout have no widget here;
// whoever serves them names them 通用对话框1 and 拖放对象1.
class LayoutWindow : public QWidget {
    Q_OBJECT
public:
    LayoutWindow();

    template <class T>
    T* control(const char* name) const {
        return findChild<T*>(QString::fromUtf8(name));
    }
    bool isClosed() const { return closed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void moveWithPointer();

    bool closed_ = false;
};

}  // namespace varnolt::ui
