#pragma once
// Builds a dialog from a template (resources/templates): the controls are created in template
// order, which is also the tab order, at positions converted from dialog units with the
// dialog font's metrics, so the layout grows with the font and the screen's scaling.
// A control lying inside a frame becomes the frame's child, so the frame's '&' mnemonic
// focuses its first control; a label with '&' is the buddy of the control after it.
// Buttons with the OK and Cancel ids accept and reject the dialog.
#include <QDialog>
#include <QFont>
#include <QHash>
#include <QRect>

#include "resources/templates/DialogTemplate.h"

namespace tessel {

// Dialog units for one font: a quarter of the average character width horizontally, an
// eighth of the character height vertically.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(int x, int y, int width, int height) const;
    double AverageCharWidth() const { return averageCharWidth_; }
    double CharHeight() const { return charHeight_; }

private:
    double averageCharWidth_;
    double charHeight_;
};

class TemplateDialog : public QDialog {
    Q_OBJECT
public:
    explicit TemplateDialog(const templates::DialogTemplate& layout, QWidget* parent = nullptr);

    // The font every template dialog uses: the application's font at the size of a small
    // dialog font.
    static QFont DialogFont();

    // The control with this template id, or nullptr.
    QWidget* ControlById(int id) const;
    template <class Widget>
    Widget* Control(int id) const {
        return qobject_cast<Widget*>(ControlById(id));
    }
    const DialogUnits& Units() const { return units_; }
    const templates::DialogTemplate& Layout() const { return layout_; }
    // The first control that takes the focus by Tab, or nullptr.
    QWidget* FirstTabControl() const { return firstTabControl_; }

    void setVisible(bool visible) override;

private:
    void BuildControls();
    QWidget* CreateControl(const templates::ControlTemplate& control, QWidget* parent);
    QWidget* ParentFor(const templates::ControlTemplate& control) const;
    void PlaceControl(QWidget& widget, const templates::ControlTemplate& control,
                      const QWidget* parent) const;
    void LinkLabelsAndTabOrder();
    void ConnectStandardButton(QWidget& widget, int id);

    const templates::DialogTemplate& layout_;
    DialogUnits units_;
    QHash<int, QWidget*> controlsById_;
    std::vector<QWidget*> controlsInOrder_;
    std::vector<std::pair<QRect, QWidget*>> frames_;  // frame rectangles in dialog units
    QWidget* firstTabControl_ = nullptr;
};

}  // namespace tessel
