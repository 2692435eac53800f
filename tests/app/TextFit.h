#pragma once
// Every label and button of a dialog has the room its text needs on screen.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QLabel>

namespace tessel::test {

inline void ExpectTextFits(const QWidget& widget, QString text) {
    const auto* label = qobject_cast<const QLabel*>(&widget);
    if (label != nullptr && label->wordWrap()) {
        EXPECT_LE(label->heightForWidth(label->width()), label->height()) << text.toStdString();
        return;
    }
    const QFontMetrics metrics(widget.font());
    EXPECT_LE(metrics.horizontalAdvance(text.remove('&')), widget.contentsRect().width())
        << text.toStdString();
    EXPECT_LE(metrics.height(), widget.height()) << text.toStdString();
}

inline void ExpectAllTextFits(const QWidget& dialog) {
    for (const auto* label : dialog.findChildren<QLabel*>()) {
        if (label->pixmap().isNull()) {
            ExpectTextFits(*label, label->text());
        }
    }
    for (const auto* button : dialog.findChildren<QAbstractButton*>()) {
        ExpectTextFits(*button, button->text());
    }
}

}  // namespace tessel::test
