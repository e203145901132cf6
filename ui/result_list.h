// The check-box report list 超级列表框1: the only record of a search's rows.
#pragma once

#include <QTreeView>
#include <cstdint>
#include <memory>

#include "engine/byte_string.h"

namespace varnolt::ui {

class ResultModel;

// Rows and columns are 0-based. Cell texts are stored as the bytes given and
// shown decoded from code page 936. Check states are exchanged as 1 (checked),
// 0 (clear) and -1 (no such row).
class ResultList : public QTreeView {
    Q_OBJECT
public:
    static constexpr int columnCount = 5;

    explicit ResultList(QWidget* parent = nullptr);
    ~ResultList() override;

    std::int32_t rowCount() const;
    // Index of the new row, unchecked, with text in column 0 and the other
    // cells empty; it neither selects nor scrolls.
    std::int32_t appendRow(const Text& text);
    void setCellText(std::int32_t row, std::int32_t column, const Text& text);
    Text cellText(std::int32_t row, std::int32_t column) const;
    std::int32_t isChecked(std::int32_t row) const;
    void setChecked(std::int32_t row, std::int32_t state);
    // Also returns the view to the top.
    void clearRows();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    ResultModel* model_;
};

}  // namespace varnolt::ui
