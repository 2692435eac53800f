#pragma once
// The About box: the program's picture, its version and a few words about it.
#include "app/dialogs/TemplateDialog.h"

namespace tessel {

class CAboutDlg : public TemplateDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace tessel
