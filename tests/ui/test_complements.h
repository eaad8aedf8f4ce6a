// The "Compléments" page driven as a user would: the item of "Outils", its tab beside the result
// pages, F2, the grids (sort by header, Ctrl+F search, tooltips) and the charts.
#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestComplements : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void optionRetenueEtOngletAvecLesResultats();
    void optionSansEffetSurLesResultats();
    void contenuDeLaPage();
    void triNumeriqueEtRecherche();
    void cocheeApresUneAnalyse();
    void dialogueDeLaPeriode();
    void periodeAuMilieuDUnJour();
    void periodeEtLignesIgnorees();
    void periodeVide();
    void debordementEtHeuresIllisibles();

  private:
    QString ecrire(const QString& nom, const QByteArray& octets);
    QScopedPointer<QTemporaryDir> dossier_;
};
