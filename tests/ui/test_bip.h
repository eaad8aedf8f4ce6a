// The beep: silence without a device, the device kept open, the samples, the recorder.
#pragma once

#include <QObject>

class TestBip : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void sansPeripheriqueSilencieuxEtOuvertUneFois();
    void valeursNonPositivesNeTouchentPasLePeripherique_data();
    void valeursNonPositivesNeTouchentPasLePeripherique();
    void variableEnvironnementCoupeLeSon();
    void peripheriqueNulResteOuvertEntreLesBips();

    void enregistreurGardeLesPaires();

    void nombreEchantillons_data();
    void nombreEchantillons();
    void passagesParZeroSuiventLaFrequence_data();
    void passagesParZeroSuiventLaFrequence();
    void fonduAuxDeuxBouts_data();
    void fonduAuxDeuxBouts();
    void auDelaDeNyquistSilence();

  private:
    QByteArray sansSonAvant_;
    bool sansSonDefini_ = false;
};
