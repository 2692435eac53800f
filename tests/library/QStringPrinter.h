#pragma once
// GoogleTest shows QString values as text in failure messages.
#include <ostream>

#include <QString>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
