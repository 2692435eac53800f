#pragma once
// Every label and button of a dialog has the room its text needs on screen.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QLabel>

namespace tessel::test {

inline void ExpectAllTextFits(const QWidget& dialog) {
    for (const auto* widget : dialog.findChildren<QWidget*>()) {
        const auto* label = qobject_cast<const QLabel*>(widget);
        const auto* button = qobject_cast<const QAbstractButton*>(widget);
        QString text = label != nullptr ? label->text() : button != nullptr ? button->text() : "";
        if (label != nullptr && label->wordWrap()) {
            EXPECT_LE(label->heightForWidth(label->width()), label->height()) << text.toStdString();
        } else if (!text.isEmpty()) {
            const QFontMetrics metrics(widget->font());
            EXPECT_LE(metrics.horizontalAdvance(text.remove('&')), widget->contentsRect().width())
                << text.toStdString();
            EXPECT_LE(metrics.height(), widget->height()) << text.toStdString();
        }
    }
}

}  // namespace tessel::test
