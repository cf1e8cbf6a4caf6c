// The report list of the main window: a table model of our own holding the 936 texts of each
// row (the cost of a row stays flat however many there are) and a table view that reports
// every left click, on a row or on empty space.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QTableView>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/text.hpp"

namespace kessaro {

class ReportListModel : public QAbstractTableModel {
  public:
    static constexpr int column_count = 3;

    void clear();
    // Appends a row of empty cells; returns its index, the row count before the call.
    int32_t append_row();
    // A cell outside the list is left alone.
    void set_cell(int32_t row, int32_t column, const Text& text);
    // The empty Text for a cell outside the list.
    Text cell(int32_t row, int32_t column) const;
    int32_t row_count() const { return static_cast<int32_t>(rows_.size()); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    struct Row {
        std::array<Text, column_count> texts;
        // Converted once when set, not at every paint.
        std::array<QString, column_count> shown;
    };
    bool contains(int32_t row, int32_t column) const;

    std::vector<Row> rows_;
};

class ReportListView : public QTableView {
  public:
    explicit ReportListView(QWidget* parent);

    ReportListModel& model() { return model_; }
    // Runs after each left mouse press, once the selection has followed it.
    void set_left_click_handler(std::function<void()> handler) {
        on_left_click_ = std::move(handler);
    }
    // Scrolls until the row is entirely visible, also right after rows were appended.
    void scroll_to_row(int32_t row);
    // The selected row, -1 when none is selected.
    int32_t selected_row() const;

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    ReportListModel model_;
    std::function<void()> on_left_click_;
};

}  // namespace kessaro
