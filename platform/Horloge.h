// The clock text of the status line: hours, minutes and seconds, two digits each.
#pragma once

#include <QString>
#include <QTime>

namespace kestrane {

inline QString texteHeure(const QTime& t) {
    return t.toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace kestrane
