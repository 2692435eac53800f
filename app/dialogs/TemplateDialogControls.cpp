#include "app/dialogs/TemplateDialogControls.h"

#include <algorithm>

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolTip>

#include "app/dialogs/TemplateDialog.h"

namespace tessel {
namespace {

constexpr int kDefaultTabStopUnits = 32;
constexpr int kTextMargin = 3;

void InstallTabStops(QAbstractItemView& view, const DialogUnits& units,
                     const std::vector<int>& dialogUnits) {
    std::vector<int> pixels;
    for (int stop : dialogUnits.empty() ? std::vector<int>{kDefaultTabStopUnits} : dialogUnits) {
        pixels.push_back(units.ToPixelsX(stop));
    }
    QAbstractItemDelegate* previous = view.itemDelegate();
    view.setItemDelegate(new TabStopDelegate(std::move(pixels), &view));
    if (previous != nullptr && previous->parent() == &view) {
        previous->deleteLater();
    }
}

// The row a user's input selected: after a click on an entry the entry clicked, even when it
// was selected already; after a key or a drag only a row that differs from rowBefore.
// -1 when the input selected nothing.
int RowSelectedByUser(const QAbstractItemView& view, int rowBefore, bool clickedOnEntry) {
    const QModelIndex current = view.currentIndex();
    if (!current.isValid() || !view.selectionModel()->isSelected(current)) {
        return -1;
    }
    return clickedOnEntry || current.row() != rowBefore ? current.row() : -1;
}

bool IsOnEntry(const QAbstractItemView& view, const QMouseEvent& event) {
    return view.indexAt(event.position().toPoint()).isValid();
}

}  // namespace

TabStopDelegate::TabStopDelegate(std::vector<int> stopsInPixels, QObject* parent)
    : QStyledItemDelegate(parent), stops_(std::move(stopsInPixels)) {
    std::erase_if(stops_, [](int stop) { return stop <= 0; });
    std::sort(stops_.begin(), stops_.end());
}

int TabStopDelegate::StopAfter(int x) const {
    if (stops_.empty()) {
        return x + 1;
    }
    for (int stop : stops_) {
        if (stop > x) {
            return stop;
        }
    }
    const int spacing = stops_.size() == 1 ? stops_.front() : stops_.back() - stops_.end()[-2];
    const int last = stops_.back();
    return last + ((x - last) / spacing + 1) * spacing;
}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    const bool selected = (option.state & QStyle::State_Selected) != 0;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect area = option.rect.adjusted(kTextMargin, 0, 0, 0);
    int x = 0;
    const QStringList parts = text.split('\t');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            x = StopAfter(x);
        }
        const QRect cell(area.left() + x, area.top(), area.width() - x, area.height());
        painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, parts[i]);
        x += item.fontMetrics.horizontalAdvance(parts[i]);
    }
    painter->restore();
}

QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QStringList parts = index.data(Qt::DisplayRole).toString().split('\t');
    int x = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            x = StopAfter(x);
        }
        x += option.fontMetrics.horizontalAdvance(parts[i]);
    }
    size.setWidth(std::max(size.width(), x + 2 * kTextMargin));
    return size;
}

ListBox::ListBox(bool sorted, const DialogUnits& units, QWidget* parent)
    : QListWidget(parent), sorted_(sorted), units_(units) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

int ListBox::AddString(const QString& text) {
    int row = count();
    if (sorted_) {
        const auto before = [&](int r) {
            return QString::compare(item(r)->text(), text, Qt::CaseInsensitive) <= 0;
        };
        int low = 0;
        int high = count();
        while (low < high) {
            const int middle = (low + high) / 2;
            if (before(middle)) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        row = low;
    }
    insertItem(row, text);
    return row;
}

void ListBox::SelectFromCode(int row) {
    const QSignalBlocker quiet(this);
    if (row < 0 || row >= count()) {
        clearSelection();
        setCurrentRow(-1);
        return;
    }
    setCurrentRow(row);
}

void ListBox::SetColumnWidth(int pixels) {
    setViewMode(QListView::ListMode);
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setGridSize(QSize(std::max(1, pixels), fontMetrics().height() + 2));
}

void ListBox::SetTabStops(const std::vector<int>& dialogUnits) {
    InstallTabStops(*this, units_, dialogUnits);
}

void ListBox::mousePressEvent(QMouseEvent* event) {
    const int before = currentRow();
    QListWidget::mousePressEvent(event);
    if (const int row = RowSelectedByUser(*this, before, IsOnEntry(*this, *event)); row >= 0) {
        emit userSelected(row);
    }
}

void ListBox::mouseMoveEvent(QMouseEvent* event) {
    const int before = currentRow();
    QListWidget::mouseMoveEvent(event);
    if (const int row = RowSelectedByUser(*this, before, false); row >= 0) {
        emit userSelected(row);
    }
}

void ListBox::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (const int row = RowSelectedByUser(*this, before, false); row >= 0) {
        emit userSelected(row);
    }
}

ListView::ListView(const DialogUnits& units, QWidget* parent) : QTableView(parent), units_(units) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);  // Tab leaves the list, as from any list box
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FitRowsToFont();
}

// Rows as high as a list box's entries in the same font and style.
void ListView::FitRowsToFont() {
    QStyleOptionViewItem entry;
    initViewItemOption(&entry);
    entry.features |= QStyleOptionViewItem::HasDisplay;
    entry.text = QStringLiteral("Xg");
    const QSize size = style()->sizeFromContents(QStyle::CT_ItemViewItem, &entry, QSize(), this);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(size.height());
}

void ListView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        FitRowsToFont();
    }
}

void ListView::SetTabStops(const std::vector<int>& dialogUnits) {
    InstallTabStops(*this, units_, dialogUnits);
}

void ListView::mousePressEvent(QMouseEvent* event) {
    const int before = currentIndex().row();
    QTableView::mousePressEvent(event);
    if (const int row = RowSelectedByUser(*this, before, IsOnEntry(*this, *event)); row >= 0) {
        emit userSelected(row);
    }
}

void ListView::mouseMoveEvent(QMouseEvent* event) {
    const int before = currentIndex().row();
    QTableView::mouseMoveEvent(event);
    if (const int row = RowSelectedByUser(*this, before, false); row >= 0) {
        emit userSelected(row);
    }
}

void ListView::keyPressEvent(QKeyEvent* event) {
    const int before = currentIndex().row();
    QTableView::keyPressEvent(event);
    if (const int row = RowSelectedByUser(*this, before, false); row >= 0) {
        emit userSelected(row);
    }
}

// Qt's frame gives its shortcut to the child that last had the focus; the first control in
// tab order is the one a dialog frame's mnemonic stands for.
bool Frame::event(QEvent* event) {
    if (event->type() != QEvent::Shortcut || isCheckable()) {
        return QGroupBox::event(event);
    }
    for (QWidget* next = nextInFocusChain(); next != this; next = next->nextInFocusChain()) {
        if (isAncestorOf(next) && (next->focusPolicy() & Qt::TabFocus) != 0 &&
            next->isVisibleTo(this) && next->isEnabled()) {
            next->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    return QGroupBox::event(event);
}

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, 100);
}

void TrackBar::ReportIfHandled(const QEvent& event) {
    if (event.isAccepted()) {
        emit userMoved(value());
    }
}

void TrackBar::keyPressEvent(QKeyEvent* event) {
    QSlider::keyPressEvent(event);
    ReportIfHandled(*event);
}

void TrackBar::mousePressEvent(QMouseEvent* event) {
    QSlider::mousePressEvent(event);
    ReportIfHandled(*event);
}

void TrackBar::mouseMoveEvent(QMouseEvent* event) {
    QSlider::mouseMoveEvent(event);
    ReportIfHandled(*event);
}

void TrackBar::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    ReportIfHandled(*event);
}

void TrackBar::wheelEvent(QWheelEvent* event) {
    QSlider::wheelEvent(event);
    ReportIfHandled(*event);
}

QValidator::State UpperCaseValidator::validate(QString& input, int& /*position*/) const {
    for (QChar& c : input) {
        if (c >= u'a' && c <= u'z') {
            c = QChar(c.unicode() - u'a' + u'A');
        }
    }
    return Acceptable;
}

// Wraps at any character; when even that does not fit, the start is dropped and marked
// with an ellipsis, since the end of a path (the file name) says the most.
void WrappingLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QRect area = contentsRect();
    const int flags = int(alignment()) | Qt::TextWrapAnywhere;
    const QString full = text();
    QString shown = full;
    for (qsizetype cut = 1; cut < full.size(); ++cut) {
        if (painter.boundingRect(area, flags, shown).height() <= area.height()) {
            break;
        }
        shown = QChar(0x2026) + full.mid(cut);
    }
    painter.drawText(area, flags, shown);
}

bool WrappingLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && !text().isEmpty()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}

}  // namespace tessel
