#include <QApplication>

#include "app/prompts/QtPrompts.h"
#include "app/window/LibrarianApp.h"
#include "app/window/LibrarianDlg.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    tessel::QtPrompts prompts;
    tessel::CLibrarianApp librarian(QCoreApplication::applicationFilePath(), prompts);
    librarian.SetWindowCreatedHandler(
        [&prompts](tessel::CLibrarianDlg& window) { prompts.SetOwner(&window); });
    librarian.Startup();
    return 0;
}
