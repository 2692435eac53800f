#pragma once
// Checks that a control's text is not cut off on screen.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

namespace tessel::test {

// Text that needs more room than its control has is cut off on screen.
inline void ExpectTextFits(const QWidget& widget, const QString& text, const QString& what) {
    const QFontMetrics metrics(widget.font());
    if (const auto* label = qobject_cast<const QLabel*>(&widget); label && label->wordWrap()) {
        EXPECT_LE(label->heightForWidth(label->width()), label->height()) << what.toStdString();
        return;
    }
    EXPECT_LE(metrics.horizontalAdvance(QString(text).remove('&')), widget.contentsRect().width())
        << what.toStdString();
    EXPECT_LE(metrics.height(), widget.height()) << what.toStdString();
}

// Every label and button of the dialog.
inline void ExpectAllTextFits(const QWidget& dialog) {
    for (const auto* label : dialog.findChildren<QLabel*>()) {
        if (label->pixmap().isNull()) {
            ExpectTextFits(*label, label->text(), label->objectName());
        }
    }
    for (const auto* button : dialog.findChildren<QAbstractButton*>()) {
        ExpectTextFits(*button, button->text(), button->objectName());
    }
    for (const auto* frame : dialog.findChildren<QGroupBox*>()) {
        ExpectTextFits(*frame, frame->title(), frame->objectName());
    }
}

}  // namespace tessel::test
