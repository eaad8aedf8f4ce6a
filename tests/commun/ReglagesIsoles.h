// What the window remembers between runs (the recent journals...) kept, for as long as this object
// lives, in a temporary folder of its own: tests, benchmarks and pictures never read or change the
// user's settings. Made right after the application, before any window.
#pragma once

#include <QSettings>
#include <QTemporaryDir>

namespace kestrane {

class ReglagesIsoles {
  public:
    ReglagesIsoles() {
        for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
            for (const auto portee : {QSettings::UserScope, QSettings::SystemScope}) {
                QSettings::setPath(format, portee, dossier_.path());
            }
        }
    }

  private:
    QTemporaryDir dossier_;
};

}  // namespace kestrane
