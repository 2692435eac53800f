#pragma once
// A main window on a temporary settings file and library folder, with scripted prompts and
// the virtual instrument.
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/dialogs/TemplateDialogControls.h"
#include "app/window/LibrarianDlg.h"
#include "core/prompts/ScriptedPrompts.h"
#include "core/settings/SettingsStore.h"
#include "midi/virtual/VirtualMidiService.h"
#include "tests/format/DumpFixtures.h"
#include "tests/library/QStringPrinter.h"
#include "tests/support/Artifacts.h"

namespace tessel::test {

// Patch i is named "<tag> <i>" (blank-filled to 16 characters) unless `names` says otherwise.
inline format::Bytes NamedDump(const std::string& tag,
                               const std::map<int, std::string>& names = {}) {
    format::test::Records records{};
    for (int i = 0; i < int(records.size()); ++i) {
        const auto named = names.find(i);
        format::test::SetName(records[i],
                              named != names.end() ? named->second : tag + " " + std::to_string(i));
    }
    return format::test::DumpBytes(records);
}

// The 64 patch list entries of NamedDump(tag).
inline QStringList EntriesOf(const std::string& tag) {
    QStringList entries;
    for (int i = 0; i < 64; ++i) {
        const QString name = QString::fromStdString(tag + " " + std::to_string(i));
        entries << QString("%1%2- %3")
                       .arg(i / 8 + 1)
                       .arg(i % 8 + 1)
                       .arg(name.leftJustified(16, u' ', true));
    }
    return entries;
}

class WindowFixture {
public:
    // `ini`: the settings file before the start; std::nullopt for no file at all.
    CLibrarianDlg& Start(const std::optional<std::string>& ini = std::nullopt) {
        if (ini) {
            std::ofstream(IniPath().toStdString(), std::ios::binary) << *ini;
        }
        store = std::make_unique<SettingsStore>(IniPath().toStdString());
        window = std::make_unique<CLibrarianDlg>(
            WindowServices{*store, prompts, settingsFolder.path(), settingsFolder.path(),
                           service != nullptr ? *service : midi});
        window->show();
        return *window;
    }
    // Starts on the library folder, with `derPath` as the file last transferred.
    CLibrarianDlg& StartOnLibrary(const std::string& derPath = {}) {
        return Start("[config]\nDerPath=" + derPath +
                     "\n[device]\nPathDef=" + Folder().toStdString() + "\n");
    }

    void Write(const std::string& name, const format::Bytes& bytes) const {
        library.Write(name, bytes);
    }
    // A listed name that cannot be opened: a link to nothing.
    void WriteUnreadable(const std::string& name) const {
        std::filesystem::create_symlink(library.Path() / "nowhere", library.Path() / name);
    }
    QString Folder() const { return QString::fromStdString(library.Path().string()); }
    QString PathOf(const QString& name) const { return Folder() + QDir::separator() + name; }
    QString IniPath() const { return settingsFolder.filePath("tessel.ini"); }

    template <class Widget = QWidget>
    Widget* Find(const char* name) const {
        return window->findChild<Widget*>(name);
    }
    ListBox& List(const char* name) const { return *Find<ListBox>(name); }
    // Any of the three lists, the model-backed results list included.
    QAbstractItemView& View(const char* name) const { return *Find<QAbstractItemView>(name); }
    QStringList Entries(const char* name) const {
        const QAbstractItemModel& model = *View(name).model();
        QStringList entries;
        for (int row = 0; row < model.rowCount(); ++row) {
            entries << model.index(row, 0).data().toString();
        }
        return entries;
    }
    QString Selected(const char* name) const {
        const QModelIndexList selected = View(name).selectionModel()->selectedIndexes();
        return selected.isEmpty() ? QString() : selected.front().data().toString();
    }
    QString Caption() const { return Find<QGroupBox>("patchFrame")->title(); }
    // A click of the user on the entry: the list's selection handlers run, also when the
    // entry is selected already.
    void UserSelects(const char* name, int row) const {
        QAbstractItemView& view = View(name);
        const QModelIndex entry = view.model()->index(row, 0);
        view.scrollTo(entry);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(entry).center());
    }
    // Lets a Find started by the Find button come to its end.
    bool FinishFind() const {
        return QTest::qWaitFor([this] { return !window->FindRunning(); }, 60'000);
    }
    // Types the text as on a keyboard, letters beyond ASCII included, and runs the Find.
    bool Search(const QString& typed) const {
        Find<QLineEdit>("searchField")->clear();
        for (QChar c : typed) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(Find<QLineEdit>("searchField"), &press);
        }
        Find<QPushButton>("findButton")->click();
        return FinishFind();
    }

    format::test::TempFolder library;
    QTemporaryDir settingsFolder;
    ScriptedPrompts prompts;
    midi::VirtualMidiService midi;
    midi::MidiService* service = nullptr;  // another service instead of `midi`
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<CLibrarianDlg> window;
};

}  // namespace tessel::test
