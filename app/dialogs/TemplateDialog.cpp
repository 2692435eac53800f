#include "app/dialogs/TemplateDialog.h"

#include <cmath>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include "app/dialogs/TemplateDialogControls.h"

namespace tessel {
namespace {

using templates::ControlKind;
using templates::ControlTemplate;
namespace flags = templates::flags;

// Close to the classic 8-point dialog font: about 13 pixels high at 96 dots per inch.
constexpr double kDialogFontPoints = 8.0;
constexpr int kOneLineUnits = 8;

bool Has(const ControlTemplate& control, unsigned flag) {
    return (control.style & flag) != 0;
}

QString TextOf(const ControlTemplate& control) {
    return control.text != nullptr ? QString::fromUtf8(control.text) : QString();
}

Qt::Alignment TextAlignment(const ControlTemplate& control) {
    return (Has(control, flags::kCentred) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop;
}

QWidget* CreateLabel(const ControlTemplate& control) {
    QLabel* label = Has(control, flags::kWrapAnywhere) ? new WrappingLabel : new QLabel;
    label->setText(TextOf(control));
    label->setAlignment(TextAlignment(control));
    label->setWordWrap(control.height >= 2 * kOneLineUnits);
    return label;
}

QWidget* CreatePicture(const ControlTemplate& control) {
    auto* picture = new QLabel;
    picture->setAlignment(Qt::AlignCenter);
    picture->setScaledContents(false);
    if (Has(control, flags::kSunken)) {
        picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    return picture;
}

QWidget* CreateButton(const ControlTemplate& control) {
    auto* button = new QPushButton(TextOf(control));
    button->setDefault(Has(control, flags::kDefaultButton));
    return button;
}

QWidget* CreateEdit(const ControlTemplate& control) {
    auto* edit = new QLineEdit;
    edit->setFrame(Has(control, flags::kBorder));
    if (control.maxLength > 0) {
        edit->setMaxLength(control.maxLength);
    }
    if (Has(control, flags::kUpperCase)) {
        edit->setValidator(new UpperCaseValidator(edit));
    }
    return edit;
}

QWidget* CreateManyEntriesList(const ControlTemplate& control, const DialogUnits& units) {
    auto* list = new ListView(units, nullptr);
    list->setVerticalScrollBarPolicy(Has(control, flags::kVScroll) ? Qt::ScrollBarAsNeeded
                                                                   : Qt::ScrollBarAlwaysOff);
    list->setHorizontalScrollBarPolicy(Has(control, flags::kHScroll) ? Qt::ScrollBarAsNeeded
                                                                     : Qt::ScrollBarAlwaysOff);
    if (Has(control, flags::kTabStops)) {
        list->SetTabStops({});
    }
    return list;
}

QWidget* CreateListBox(const ControlTemplate& control, const DialogUnits& units) {
    if (Has(control, flags::kManyEntries)) {
        return CreateManyEntriesList(control, units);
    }
    auto* list = new ListBox(Has(control, flags::kSorted), units, nullptr);
    list->setVerticalScrollBarPolicy(Has(control, flags::kVScroll) ? Qt::ScrollBarAsNeeded
                                                                   : Qt::ScrollBarAlwaysOff);
    list->setHorizontalScrollBarPolicy(Has(control, flags::kHScroll) ? Qt::ScrollBarAsNeeded
                                                                     : Qt::ScrollBarAlwaysOff);
    if (Has(control, flags::kMultiColumn)) {
        list->SetColumnWidth(units.ToPixelsX(control.width));
    }
    if (Has(control, flags::kTabStops) && !Has(control, flags::kMultiColumn)) {
        list->SetTabStops({});
    }
    return list;
}

QWidget* CreateComboBox(const ControlTemplate& control) {
    auto* combo = new QComboBox;
    combo->setEditable(false);
    for (const char* entry : control.entries) {
        combo->addItem(QString::fromUtf8(entry));
    }
    return combo;
}

QWidget* CreateTrackBar(const ControlTemplate& control) {
    auto* trackBar = new TrackBar(nullptr);
    trackBar->setTickPosition(Has(control, flags::kNoTicks) ? QSlider::NoTicks
                                                            : QSlider::TicksBelow);
    return trackBar;
}

QWidget* CreateProgressBar() {
    auto* progress = new QProgressBar;
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    return progress;
}

QWidget* CreateTreeView(const ControlTemplate& control) {
    auto* tree = new QTreeWidget;
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setRootIsDecorated(Has(control, flags::kTreeLines));
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    return tree;
}

bool TakesFocus(const QWidget& widget) {
    return (widget.focusPolicy() & Qt::TabFocus) != 0;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetricsF metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    averageCharWidth_ = metrics.horizontalAdvance(alphabet) / alphabet.size();
    charHeight_ = metrics.height();
}

int DialogUnits::ToPixelsX(int units) const {
    return int(std::lround(units * averageCharWidth_ / 4.0));
}

int DialogUnits::ToPixelsY(int units) const {
    return int(std::lround(units * charHeight_ / 8.0));
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    return {ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height)};
}

QFont TemplateDialog::DialogFont() {
    QFont font = QApplication::font();
    font.setPointSizeF(kDialogFontPoints);
    return font;
}

TemplateDialog::TemplateDialog(const templates::DialogTemplate& layout, QWidget* parent)
    : QDialog(parent), layout_(layout), units_(DialogFont()) {
    setFont(DialogFont());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromUtf8(layout.caption));
    setFixedSize(units_.ToPixelsX(layout.width), units_.ToPixelsY(layout.height));
    BuildControls();
    LinkLabelsAndTabOrder();
}

void TemplateDialog::BuildControls() {
    for (const ControlTemplate& control : layout_.controls) {
        QWidget* parent = ParentFor(control);
        QWidget* widget = CreateControl(control, parent);
        widget->setObjectName(QString::fromUtf8(control.objectName));
        PlaceControl(*widget, control, parent);
        if (control.kind == ControlKind::Frame) {
            frames_.emplace_back(QRect(control.x, control.y, control.width, control.height),
                                 widget);
        }
        if (control.id != templates::kNoId) {
            controlsById_.insert(control.id, widget);
        }
        ConnectStandardButton(*widget, control.id);
        controlsInOrder_.push_back(widget);
    }
}

QWidget* TemplateDialog::CreateControl(const ControlTemplate& control, QWidget* parent) {
    QWidget* widget = nullptr;
    switch (control.kind) {
        case ControlKind::Frame:
            widget = new Frame(TextOf(control));
            break;
        case ControlKind::Label:
            widget = CreateLabel(control);
            break;
        case ControlKind::Picture:
            widget = CreatePicture(control);
            break;
        case ControlKind::Button:
            widget = CreateButton(control);
            break;
        case ControlKind::CheckBox:
            widget = new QCheckBox(TextOf(control));
            break;
        case ControlKind::Edit:
            widget = CreateEdit(control);
            break;
        case ControlKind::ListBox:
            widget = CreateListBox(control, units_);
            break;
        case ControlKind::ComboBox:
            widget = CreateComboBox(control);
            break;
        case ControlKind::TrackBar:
            widget = CreateTrackBar(control);
            break;
        case ControlKind::ProgressBar:
            widget = CreateProgressBar();
            break;
        case ControlKind::TreeView:
            widget = CreateTreeView(control);
            break;
    }
    widget->setParent(parent);
    return widget;
}

// The innermost earlier frame that holds the whole control, else the dialog itself.
QWidget* TemplateDialog::ParentFor(const ControlTemplate& control) const {
    const QRect area(control.x, control.y, control.width, control.height);
    QWidget* parent = const_cast<TemplateDialog*>(this);
    int parentArea = -1;
    for (const auto& [frameArea, frame] : frames_) {
        const int size = frameArea.width() * frameArea.height();
        if (frameArea.contains(area) && (parentArea < 0 || size < parentArea)) {
            parent = frame;
            parentArea = size;
        }
    }
    return parent;
}

void TemplateDialog::PlaceControl(QWidget& widget, const ControlTemplate& control,
                                  const QWidget* parent) const {
    QRect geometry = units_.ToPixels(control.x, control.y, control.width, control.height);
    if (control.kind == ControlKind::ComboBox) {
        // The template gives the opened height; the closed box is as high as it needs.
        geometry.setHeight(std::min(geometry.height(), widget.sizeHint().height()));
    }
    if (parent != this) {
        geometry.translate(-parent->mapTo(this, QPoint(0, 0)));
    }
    widget.setGeometry(geometry);
}

void TemplateDialog::ConnectStandardButton(QWidget& widget, int id) {
    auto* button = qobject_cast<QPushButton*>(&widget);
    if (button == nullptr) {
        return;
    }
    if (id == templates::kIdOk) {
        connect(button, &QPushButton::clicked, this, &QDialog::accept);
    } else if (id == templates::kIdCancel) {
        connect(button, &QPushButton::clicked, this, &QDialog::reject);
    }
}

void TemplateDialog::LinkLabelsAndTabOrder() {
    QWidget* previous = nullptr;
    for (std::size_t i = 0; i < controlsInOrder_.size(); ++i) {
        QWidget* widget = controlsInOrder_[i];
        auto* label = qobject_cast<QLabel*>(widget);
        if (label != nullptr && i + 1 < controlsInOrder_.size() &&
            TakesFocus(*controlsInOrder_[i + 1]) && label->text().contains('&')) {
            label->setBuddy(controlsInOrder_[i + 1]);
        }
        if (!TakesFocus(*widget)) {
            continue;
        }
        if (previous != nullptr) {
            setTabOrder(previous, widget);
        } else {
            firstTabControl_ = widget;
        }
        previous = widget;
    }
}

QWidget* TemplateDialog::ControlById(int id) const {
    return controlsById_.value(id, nullptr);
}

void TemplateDialog::setVisible(bool visible) {
    QDialog::setVisible(visible);
    if (visible && focusWidget() == nullptr && firstTabControl_ != nullptr) {
        firstTabControl_->setFocus(Qt::TabFocusReason);
    }
}

}  // namespace tessel
