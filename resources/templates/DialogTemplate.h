#pragma once
// A dialog layout as plain data: caption, client size and controls, all measured in dialog
// units (a quarter of the dialog font's average character width horizontally, an eighth of
// its height vertically). The controls are listed in creation order, which is also the tab
// order. app/dialogs/TemplateDialog turns a template into widgets at run time.
#include <span>

namespace tessel::templates {

enum class ControlKind {
    Frame,        // group box drawn around the controls that lie inside it
    Label,        // static text
    Picture,      // an image shown at its own size
    Button,       // push button
    CheckBox,     // check box that toggles itself
    Edit,         // single-line edit field
    ListBox,      // list of text entries
    ComboBox,     // drop-down list that cannot be typed into
    TrackBar,     // horizontal slider
    ProgressBar,  // transfer progress
    TreeView,     // tree of items
};

namespace flags {
constexpr unsigned kNone = 0;
constexpr unsigned kDefaultButton = 1u << 0;   // Enter presses it
constexpr unsigned kCentred = 1u << 1;         // text centred horizontally
constexpr unsigned kSorted = 1u << 2;          // list keeps its entries in alphabetical order
constexpr unsigned kVScroll = 1u << 3;         // vertical scroll bar when needed
constexpr unsigned kHScroll = 1u << 4;         // horizontal scroll bar / sideways scrolling
constexpr unsigned kMultiColumn = 1u << 5;     // entries flow top to bottom in columns
constexpr unsigned kNoTicks = 1u << 6;         // track bar without tick marks
constexpr unsigned kUpperCase = 1u << 7;       // typed letters become upper case
constexpr unsigned kTabStops = 1u << 8;        // a tab in an entry moves to the next column
constexpr unsigned kSunken = 1u << 9;          // sunken border around a picture or label
constexpr unsigned kTreeLines = 1u << 10;      // tree with expand buttons and lines at root
constexpr unsigned kShowSelection = 1u << 11;  // selection stays visible without focus
constexpr unsigned kWrapAnywhere = 1u << 12;   // long texts such as paths wrap at any char
constexpr unsigned kBorder = 1u << 13;         // edit field with a border
constexpr unsigned kManyEntries = 1u << 14;    // list of very many entries, drawn from a model
}  // namespace flags

struct ControlTemplate {
    int id;  // -1 for controls the code never addresses
    ControlKind kind;
    const char* text;         // caption; '&' marks the mnemonic letter; nullptr for none
    int x, y, width, height;  // dialog units; a combo box's height is its opened height
    unsigned style;           // bits from tessel::templates::flags
    const char* objectName;   // what the control is, e.g. "fileList"
    std::span<const char* const> entries{};  // initial entries of a combo box
    int maxLength = 0;  // edit fields: most characters accepted, 0 for no limit
};

struct DialogTemplate {
    int id;
    const char* caption;
    int width, height;  // client area in dialog units
    std::span<const ControlTemplate> controls;
};

// Ids shared by every dialog.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kNoId = -1;

}  // namespace tessel::templates
