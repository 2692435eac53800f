#include "app/dialogs/AboutDlg.h"

#include <QLabel>

#include "resources/art/Artwork.h"
#include "resources/templates/AboutTemplate.h"

namespace tessel {

// The picture is drawn for the size its control has in this dialog's font, so it fills the
// sunken frame exactly.
CAboutDlg::CAboutDlg(QWidget* parent) : TemplateDialog(templates::AboutTemplate(), parent) {
    if (auto* picture = findChild<QLabel*>("aboutPicture")) {
        picture->setPixmap(AboutPicture(picture->contentsRect().size()));
    }
}

}  // namespace tessel
