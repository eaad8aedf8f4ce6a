// A temporary folder of a test function's own: renouveler() in the test class's init() gives
// each function an empty one; the former one goes with everything in it.
#pragma once

#include <QByteArray>
#include <QScopedPointer>
#include <QString>
#include <QTemporaryDir>

namespace kestrane::tests {

class DossierDeTest {
  public:
    void renouveler();
    bool valide() const;
    QString racine() const;
    QString chemin(const QString& nom) const;
    // Writes the file and returns its path; stops the run when it cannot.
    QString ecrire(const QString& nom, const QByteArray& octets) const;

  private:
    QScopedPointer<QTemporaryDir> dossier_;
};

}  // namespace kestrane::tests
