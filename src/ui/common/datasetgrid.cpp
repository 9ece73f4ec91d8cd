#include "datasetgrid.h"

#include "data/dataset.h"
#include "data/datasetmodel.h"
#include "data/errors.h"
#include "data/settings.h"
#include "data/values.h"
#include "look.h"
#include "messages.h"

#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QScrollBar>
#include <QStyle>
#include <optional>
#include <utility>

namespace ferolind::ui {

GridHeader::GridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

QString GridHeader::shownTitle(int logicalIndex) const {
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    initStyleOptionForIndex(&opt, logicalIndex);
    return opt.text;
}

void GridHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const {
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    // The room the style leaves for the text (margins and sort arrow taken off).
    QStyleOptionHeader section = *option;
    section.rect = QRect(0, 0, sectionSize(logicalIndex), qMax(height(), 1));
    const int room = style()->subElementRect(QStyle::SE_HeaderLabel, &section, this).width();
    option->text = QFontMetrics(font()).elidedText(option->text, textElideMode(), qMax(room, 0));
}

DatasetGrid::DatasetGrid(QWidget* parent) : QTableView(parent) {
    setHorizontalHeader(new GridHeader(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    // A compact font, so that dates and numbers fit the designed column widths.
    QFont f(QStringLiteral("Liberation Sans"), 8);
    setFont(f);
    horizontalHeader()->setFont(f);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(f).height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);  // fast with many rows
    verticalHeader()->hide();
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A title cut by its column ends in "…"; the model gives the whole title as tooltip.
    horizontalHeader()->setTextElideMode(Qt::ElideRight);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    applyGridLook(this);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DatasetGrid::titleClicked);
    connect(this, &QTableView::doubleClicked, this, [this](const QModelIndex& i) {
        if (i.isValid()) emit rowDoubleClicked();
    });
}

DatasetGrid::DatasetGrid(Dataset& dataset, const QStringList& fields, const QStringList& titles,
                         const QString& widthPrefix, const ColumnWidths& designedWidths, QWidget* parent)
    : DatasetGrid(parent) {
    setDataset(dataset, fields, titles, widthPrefix, designedWidths);
}

void DatasetGrid::setDataset(Dataset& dataset, const QStringList& fields, const QStringList& titles,
                             const QString& widthPrefix, const ColumnWidths& designedWidths) {
    Q_ASSERT(!model_);
    model_ = new DatasetModel(dataset, fields, titles, this);
    prefix_ = widthPrefix;
    setModel(model_);

    designed_.fill(kOtherColumnWidth, fields.size());
    for (const ColumnWidth& w : designedWidths) {
        const int c = column(w.field);
        if (c < 0) throw DataError(QStringLiteral("Die Tabelle zeigt das Feld '%1' nicht.").arg(w.field));
        designed_[c] = w.pixels > 0 ? w.pixels : horizontalHeader()->defaultSectionSize();
    }
    for (int c = 0; c < designed_.size(); ++c) setColumnWidth(c, designed_[c]);

    // Clicking a row makes it the dataset's current record.
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& cur) {
        if (syncing_ || !cur.isValid()) return;
        Dataset& d = model_->dataset();
        if (d.isOpen() && cur.row() != d.position()) guarded(this, [&] { d.moveTo(cur.row()); });
    });
    connect(&dataset, &Dataset::currentChanged, this, [this] { selectCurrent(); });
    // A new order or a re-read keeps the columns the user scrolled to.
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (keptScroll_ < 0) keptScroll_ = horizontalScrollBar()->value();
    });
    connect(
        &dataset, &Dataset::viewReset, this,
        [this] {
            selectCurrent();
            updateSortArrow();
            if (keptScroll_ >= 0) horizontalScrollBar()->setValue(std::exchange(keptScroll_, -1));
        },
        Qt::QueuedConnection);
    selectCurrent();
}

void DatasetGrid::keyPressEvent(QKeyEvent* event) {
    // Enter opens the current row as the double click does; a grid that opens nothing
    // leaves Enter to its dialog's default button.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && currentIndex().isValid() &&
        isSignalConnected(QMetaMethod::fromSignal(&DatasetGrid::rowDoubleClicked))) {
        event->accept();
        emit rowDoubleClicked();
        return;
    }
    QTableView::keyPressEvent(event);
}

int DatasetGrid::column(const QString& field) const {
    for (int c = 0; model_ && c < model_->columnCount(); ++c)
        if (model_->fieldName(c).compare(field, Qt::CaseInsensitive) == 0) return c;
    return -1;
}

Dataset& DatasetGrid::dataset() const { return model_->dataset(); }

void DatasetGrid::selectCurrent() {
    const Dataset& d = model_->dataset();
    const int row = d.isOpen() ? d.position() : -1;
    if (row < 0 || row >= model_->rowCount()) return;
    syncing_ = true;
    const QModelIndex current = currentIndex();
    const QModelIndex target = model_->index(row, current.isValid() ? current.column() : 0);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // Only up and down to the row: the columns in view stay.
    const int h = horizontalScrollBar()->value();
    scrollTo(target);
    horizontalScrollBar()->setValue(h);
    syncing_ = false;
}

void DatasetGrid::setSortArrowShown(bool on) {
    sortArrow_ = on;
    horizontalHeader()->setSortIndicatorShown(on);
    updateSortArrow();
}

void DatasetGrid::updateSortArrow() {
    if (!sortArrow_ || !model_) return;
    const QString first = model_->dataset().sort().split(';', Qt::SkipEmptyParts).value(0).trimmed();
    const int c = first.isEmpty() ? -1 : column(first);
    // The rows are always sorted ascending.
    horizontalHeader()->setSortIndicator(c, Qt::AscendingOrder);
}

void DatasetGrid::setTitles(const QStringList& titles) { model_->setTitles(titles); }

QStringList DatasetGrid::titles() const { return model_->titles(); }

void DatasetGrid::applyVisibleColumns(quint32 bits) {
    for (int c = 0; c < model_->columnCount(); ++c) setColumnHidden(c, !(bits & (1u << c)));
}

int DatasetGrid::designedWidth(int column) const { return designed_.value(column); }

int DatasetGrid::reportedWidth(int column) const { return isColumnHidden(column) ? -1 : columnWidth(column); }

int DatasetGrid::widestNumberWidth(int column) const {
    const Dataset& d = model_->dataset();
    if (column < 0 || column >= model_->columnCount() || !d.isOpen()) return 0;
    const int f = d.field(model_->fieldName(column));
    const FieldType type = d.fields()[f].type;
    if (!isNumericType(type)) return 0;
    // Digits are equally wide in the grid's fonts, so the widest text is that of the
    // highest or the lowest value (a minus sign); only those two are formatted.
    std::optional<qint64> high, low;
    for (int p = 0; p < d.recordCount(); ++p) {
        const QVariant& v = d.rowAt(p)[f];
        if (v.isNull()) continue;
        const qint64 n = v.toLongLong();
        if (!high || n > *high) high = n;
        if (!low || n < *low) low = n;
    }
    if (!high) return 0;
    const QString a = valueToDisplayText(type, *high), b = valueToDisplayText(type, *low);
    const QString& widest = a.size() >= b.size() ? a : b;
    // The cell's text margins as the style draws them, and one pixel of the grid line.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return QFontMetrics(font()).horizontalAdvance(widest) + 2 * margin + 1;
}

void DatasetGrid::loadWidths() {
    const QStringList t = titles();
    for (int c = 0; c < t.size(); ++c) {
        const int w = RegistryGetInt(QStringLiteral("Breite") + prefix_ + t[c]);
        // The stored or else the designed width, but no number is cut ("10…" for 1004):
        // a width stored while the numbers were shorter (or no club was open) widens.
        setColumnWidth(c, qMax(w > 0 ? w : designed_.value(c), widestNumberWidth(c)));
    }
}

void DatasetGrid::saveWidths() const {
    const QStringList t = titles();
    for (int c = 0; c < t.size(); ++c) RegistrySetInt(QStringLiteral("Breite") + prefix_ + t[c], reportedWidth(c));
}

}  // namespace ferolind::ui
