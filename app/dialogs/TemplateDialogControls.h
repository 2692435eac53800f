#pragma once
// Widgets that give Qt's controls the behaviour the dialog templates ask for: list boxes that
// insert in case-insensitive order, draw tab stops and report every selection the user makes,
// a frame whose mnemonic focuses its first control, a track bar that tells user moves from
// moves made by code, an edit filter for upper case and a label that wraps long paths.
#include <vector>

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QValidator>

namespace tessel {

class DialogUnits;

// Draws each tab-separated part of an entry at its tab stop (in pixels). One stop repeats
// at its multiples; several are used as given, later parts following at the last spacing.
class TabStopDelegate : public QStyledItemDelegate {
public:
    TabStopDelegate(std::vector<int> stopsInPixels, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    int StopAfter(int x) const;  // the first stop beyond x, in pixels

private:
    std::vector<int> stops_;
};

// List boxes report the user's own selections with userSelected(row): every click on an
// entry, also on the entry already selected (the platform's list box tells every click, and
// a second click on a patch sends it again), and every key or drag that moves the selection,
// once per move. Selections made from code are never reported.
class ListBox : public QListWidget {
    Q_OBJECT
public:
    ListBox(bool sorted, const DialogUnits& units, QWidget* parent);

    // Adds an entry: in case-insensitive order when the list is sorted, else at the end.
    // Returns the row it went to.
    int AddString(const QString& text);
    // Selects (or with -1 clears) an entry without telling the user-action handlers.
    void SelectFromCode(int row);
    // Entries flow top to bottom in columns of this many pixels, scrolling sideways.
    void SetColumnWidth(int pixels);
    // Tab stops in dialog units of the owning dialog.
    void SetTabStops(const std::vector<int>& dialogUnits);
    bool IsSorted() const { return sorted_; }

signals:
    void userSelected(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool sorted_;
    const DialogUnits& units_;
};

// A list box whose entries come from a model, for lists of very many entries (a search over
// a large library): the model makes an entry's text only when it is drawn. It is a table of
// one column without headers or grid, since a table places rows of one height by arithmetic
// where a list view lays out every row again whenever rows are added.
class ListView : public QTableView {
    Q_OBJECT
public:
    ListView(const DialogUnits& units, QWidget* parent);

    // Tab stops in dialog units of the owning dialog.
    void SetTabStops(const std::vector<int>& dialogUnits);

signals:
    void userSelected(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FitRowsToFont();

private:
    const DialogUnits& units_;
};

// A group frame whose '&' mnemonic always focuses its first control in tab order, as a
// dialog frame does, rather than the control inside it that last had the focus.
class Frame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    bool event(QEvent* event) override;
};

// A horizontal track bar. userMoved fires after every mouse, wheel or key action of the
// user, even when it leaves the position unchanged; setting the value from code is silent.
class TrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TrackBar(QWidget* parent);

signals:
    void userMoved(int position);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void ReportIfHandled(const QEvent& event);
};

// Turns typed letters a-z into capitals; every other character stays as typed, since the
// name search folds only those letters (a stored byte such as é must stay findable).
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};

// A label whose text (typically a full path) wraps at any character instead of being cut
// off; the whole text is also offered as the tool tip.
class WrappingLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};

}  // namespace tessel
