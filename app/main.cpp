#include <QApplication>

#include "core/prompts/QtPrompts.h"
#include "app/window/LibrarianApp.h"
#include "app/window/LibrarianDlg.h"
#include "midi/service/MidiService.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    tessel::QtPrompts prompts;
    const auto midi = tessel::CreateProgramMidiService();
    tessel::CLibrarianApp librarian(QCoreApplication::applicationFilePath(), prompts, *midi);
    librarian.SetWindowCreatedHandler(
        [&prompts](tessel::CLibrarianDlg& window) { prompts.SetOwner(&window); });
    librarian.Startup();
    return 0;
}
