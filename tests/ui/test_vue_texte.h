// The Windows-1252 helper and the virtual text view: conversions, ranges, painting only what is
// seen, keyboard, selection and clipboard, awkward bytes and lines, background colour.
#pragma once

#include <QObject>

class TestVueTexte : public QObject {
    Q_OBJECT

  private slots:
    void texte1252AllerRetourDes256Octets();
    void texte1252Correspondances_data();
    void texte1252Correspondances();
    void texte1252NonRepresentable_data();
    void texte1252NonRepresentable();
    void texteAfficheUnCaractereParOctet();

    void sourceJournalLignesEtLargeur();
    void sourceJournalSurEchantillonReel();

    void plagesDesBarres();
    void peintureNeLitQueLesLignesVues();
    void clavierEtMolette();
    void selectionALaSourisEtCopie();
    void toutSelectionnerEtCopierAuClavier();
    void menuContextuel();
    void changerSourceRepartDuHaut();
    void octetsDeControleEtLigneDeUnMo();
    void sourceQuiRetrecitEntreDeuxPeintures();
    void fondDeLaVue();
};
