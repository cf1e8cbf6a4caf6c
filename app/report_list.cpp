// The report list: columns "id", "图片名称" and "图片地址", whole-row single selection, no grid,
// no sorting, black on white, the selection hidden while the list has no focus.
#include "app/report_list.hpp"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPalette>

#include "app/qt_text.hpp"

namespace kessaro {

namespace {

constexpr std::array<int, ReportListModel::column_count> column_widths = {50, 210, 300};

}  // namespace

void ReportListModel::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int32_t ReportListModel::append_row() {
    const int32_t row = row_count();
    beginInsertRows(QModelIndex(), row, row);
    rows_.emplace_back();
    endInsertRows();
    return row;
}

bool ReportListModel::contains(int32_t row, int32_t column) const {
    return row >= 0 && row < row_count() && column >= 0 && column < column_count;
}

void ReportListModel::set_cell(int32_t row, int32_t column, const Text& text) {
    if (!contains(row, column))
        return;
    Row& target = rows_[static_cast<std::size_t>(row)];
    target.texts[static_cast<std::size_t>(column)] = text;
    target.shown[static_cast<std::size_t>(column)] = to_qstring(text);
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

Text ReportListModel::cell(int32_t row, int32_t column) const {
    if (!contains(row, column))
        return Text();
    return rows_[static_cast<std::size_t>(row)].texts[static_cast<std::size_t>(column)];
}

int ReportListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : row_count();
}

int ReportListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : column_count;
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
    if (!contains(index.row(), index.column()))
        return {};
    if (role == Qt::DisplayRole) {
        return rows_[static_cast<std::size_t>(index.row())]
            .shown[static_cast<std::size_t>(index.column())];
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= column_count)
        return {};
    if (role == Qt::DisplayRole) {
        static const std::array<QString, column_count> titles = {
            QStringLiteral("id"), QStringLiteral("图片名称"), QStringLiteral("图片地址")};
        return titles[static_cast<std::size_t>(section)];
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

ReportListView::ReportListView(QWidget* parent) : QTableView(parent) {
    setModel(&model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setSortingEnabled(false);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    verticalHeader()->hide();
    // Fixed row heights keep appending and scrolling independent of the row count.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < ReportListModel::column_count; ++column) {
        setColumnWidth(column, column_widths[static_cast<std::size_t>(column)]);
    }

    QPalette colours = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Base, Qt::white);
        colours.setColor(group, QPalette::Text, Qt::black);
    }
    // Without focus the selected row looks like any other.
    colours.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
    setPalette(colours);
}

void ReportListView::scroll_to_row(int32_t row) {
    if (row < 0 || row >= model_.row_count())
        return;
    // The scroll range follows appended rows only at the next layout pass; without it the
    // view would stop short of a new row.
    updateGeometries();
    scrollTo(model_.index(row, 0), QAbstractItemView::EnsureVisible);
}

int32_t ReportListView::selected_row() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ReportListView::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    // A click on empty space leaves no row selected (the view itself would keep the old one).
    if (!indexAt(event->position().toPoint()).isValid())
        clearSelection();
    if (on_left_click_)
        on_left_click_();
}

}  // namespace kessaro
