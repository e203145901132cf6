// Another program to drag files from under a real X server: a small window
// that starts a drag of the files named on its command line when pressed and
// prints the action the drop target reported.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class DragSource final : public QWidget {
public:
    explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
        setWindowTitle(QStringLiteral("drag source"));
        setFixedSize(120, 80);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls(urls_);
        drag->setMimeData(data);
        const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::MoveAction);
        // Stays up: the target reads the dragged data after the drop returns.
        std::printf("dropped %d\n", int(done));
        std::fflush(stdout);
    }
    void showEvent(QShowEvent*) override {
        const QPoint centre = mapToGlobal(rect().center());
        std::printf("ready %d %d\n", centre.x(), centre.y());
        std::fflush(stdout);
    }

private:
    QList<QUrl> urls_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (int i = 1; i < argc; ++i) urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
    DragSource source(urls);
    source.move(20, 20);
    source.show();
    return app.exec();
}
