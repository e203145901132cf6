#include "ui/result_list.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <array>
#include <vector>

#include "ui/gbk_text.h"

namespace varnolt::ui {
namespace {

struct Column {
    const char* title;
    int width;
    Qt::Alignment alignment;
};

constexpr std::array<Column, ResultList::columnCount> columns{{
    {"编号", 50, Qt::AlignLeft | Qt::AlignVCenter},
    {"前文", 100, Qt::AlignCenter},
    {"查找", 140, Qt::AlignCenter},
    {"后文", 100, Qt::AlignCenter},
    {"位置", 75, Qt::AlignCenter},
}};

struct Row {
    std::array<Text, ResultList::columnCount> cells;
    bool checked = false;
};

}  // namespace

// The rows live here as bytes, so a read gives back exactly what was written;
// decoding happens only for the rows actually painted.
class ResultModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : ResultList::columnCount;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const Row& row = rows_[static_cast<std::size_t>(index.row())];
        switch (role) {
            case Qt::DisplayRole:
                return fromGbk(row.cells[static_cast<std::size_t>(index.column())]);
            case Qt::TextAlignmentRole:
                return QVariant::fromValue(columns[static_cast<std::size_t>(index.column())].alignment);
            case Qt::CheckStateRole:
                if (index.column() == 0) return row.checked ? Qt::Checked : Qt::Unchecked;
                return {};
            default:
                return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::CheckStateRole || index.column() != 0) return false;
        setChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
        if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
        return f;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= ResultList::columnCount) return {};
        const Column& c = columns[static_cast<std::size_t>(section)];
        if (role == Qt::DisplayRole) return QString::fromUtf8(c.title);
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(c.alignment);
        return {};
    }

    bool has(std::int32_t row) const { return row >= 0 && static_cast<std::size_t>(row) < rows_.size(); }
    const Row& at(std::int32_t row) const { return rows_[static_cast<std::size_t>(row)]; }

    std::int32_t append(const Text& text) {
        const auto n = static_cast<int>(rows_.size());
        beginInsertRows({}, n, n);
        rows_.emplace_back().cells[0] = text;
        endInsertRows();
        return n;
    }

    void setCell(std::int32_t row, std::int32_t column, const Text& text) {
        if (!has(row) || column < 0 || column >= ResultList::columnCount) return;
        rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)] = text;
        const QModelIndex i = index(row, column);
        emit dataChanged(i, i, {Qt::DisplayRole});
    }

    void setChecked(std::int32_t row, bool checked) {
        if (!has(row)) return;
        rows_[static_cast<std::size_t>(row)].checked = checked;
        const QModelIndex i = index(row, 0);
        emit dataChanged(i, i, {Qt::CheckStateRole});
    }

    void clear() {
        beginResetModel();
        rows_.clear();
        endResetModel();
    }

private:
    std::vector<Row> rows_;
};

ResultList::ResultList(QWidget* parent) : QTreeView(parent), model_(new ResultModel(this)) {
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);  // 1000 appended rows must not each cost a relayout
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);

    QHeaderView* h = header();
    h->setSectionsMovable(false);
    h->setSectionsClickable(true);  // titles press and release, but never sort
    h->setSortIndicatorShown(false);
    h->setStretchLastSection(false);
    for (int c = 0; c < columnCount; ++c) setColumnWidth(c, columns[static_cast<std::size_t>(c)].width);

    // The highlight shows only while the list has the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Base));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::Text));
    setPalette(p);
}

ResultList::~ResultList() = default;

std::int32_t ResultList::rowCount() const { return model_->rowCount(); }

std::int32_t ResultList::appendRow(const Text& text) { return model_->append(text); }

void ResultList::setCellText(std::int32_t row, std::int32_t column, const Text& text) {
    model_->setCell(row, column, text);
}

Text ResultList::cellText(std::int32_t row, std::int32_t column) const {
    if (!model_->has(row) || column < 0 || column >= columnCount) return {};
    return model_->at(row).cells[static_cast<std::size_t>(column)];
}

std::int32_t ResultList::isChecked(std::int32_t row) const {
    if (!model_->has(row)) return -1;
    return model_->at(row).checked ? 1 : 0;
}

void ResultList::setChecked(std::int32_t row, std::int32_t state) { model_->setChecked(row, state == 1); }

void ResultList::clearRows() {
    model_->clear();
    scrollToTop();
}

void ResultList::keyPressEvent(QKeyEvent* event) {
    // Space toggles the focused row whichever cell of it holds the focus.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        const QModelIndex current = currentIndex();
        if (current.isValid()) {
            model_->setChecked(current.row(), isChecked(current.row()) != 1);
            event->accept();
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

}  // namespace varnolt::ui
