#include "tests/ui/test_bip.h"

#include <alsa/asoundlib.h>
#include <unistd.h>

#include <QTemporaryFile>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/BipAlsa.h"
#include "tests/commun/BipEnregistreur.h"
#include "tests/ui/Registre.h"

using kestrane::BipAlsa;

namespace {

// A PCM name that no ALSA configuration defines: opening it fails on every machine.
constexpr const char* kAbsent = "kestrane_peripherique_absent";

// Runs f with fd 2 sent to a temporary file and returns what was written there.
template <typename F>
QByteArray stderrDe(F&& f) {
    QTemporaryFile fichier;
    if (!fichier.open()) return "<temporary file failed>";
    std::fflush(stderr);
    const int sauvegarde = ::dup(2);
    ::dup2(fichier.handle(), 2);
    f();
    std::fflush(stderr);
    ::dup2(sauvegarde, 2);
    ::close(sauvegarde);
    fichier.seek(0);
    return fichier.readAll();
}

int signeChangements(const std::vector<std::int16_t>& s) {
    int changements = 0;
    int precedent = 0;
    for (std::int16_t v : s) {
        if (v == 0) continue;
        const int signe = v > 0 ? 1 : -1;
        if (precedent != 0 && signe != precedent) ++changements;
        precedent = signe;
    }
    return changements;
}

int crete(const std::vector<std::int16_t>& s) {
    int m = 0;
    for (std::int16_t v : s) m = std::max(m, std::abs(static_cast<int>(v)));
    return m;
}

}  // namespace

// Each test starts with the sound switch unset, whatever the shell running the suite had.
void TestBip::init() {
    sansSonDefini_ = qEnvironmentVariableIsSet("KESTRANE_SANS_SON");
    sansSonAvant_ = qgetenv("KESTRANE_SANS_SON");
    qunsetenv("KESTRANE_SANS_SON");
}

void TestBip::cleanup() {
    if (sansSonDefini_) {
        qputenv("KESTRANE_SANS_SON", sansSonAvant_);
    } else {
        qunsetenv("KESTRANE_SANS_SON");
    }
}

void TestBip::sansPeripheriqueSilencieuxEtOuvertUneFois() {
    BipAlsa bip(kAbsent);
    QVERIFY(!bip.sonDisponible());
    QVERIFY(!bip.ouvertureEchouee());

    // Without the local error handler alsa-lib reports the unknown PCM on stderr.
    const QByteArray sortie = stderrDe([&] {
        for (int i = 0; i < 14; ++i) bip.bip(880 + 10 * i, 5);
    });
    QCOMPARE(sortie, QByteArray());
    QVERIFY(bip.ouvertureEchouee());
    QVERIFY(!bip.sonDisponible());
    QCOMPARE(bip.nbOuvertures(), 1);

    // reessayer() forgets the failure: exactly one more attempt, which fails the same way.
    bip.reessayer();
    QVERIFY(!bip.ouvertureEchouee());
    bip.bip(440, 5);
    bip.bip(440, 5);
    QCOMPARE(bip.nbOuvertures(), 2);
    QVERIFY(bip.ouvertureEchouee());
    QVERIFY(!bip.sonDisponible());
}

void TestBip::valeursNonPositivesNeTouchentPasLePeripherique_data() {
    QTest::addColumn<int>("frequence");
    QTest::addColumn<int>("duree");
    QTest::newRow("fréquence nulle") << 0 << 100;
    QTest::newRow("fréquence négative") << -440 << 100;
    QTest::newRow("durée nulle") << 440 << 0;
    QTest::newRow("durée négative") << 440 << -5;
    QTest::newRow("les deux négatives") << -1 << -1;
}

void TestBip::valeursNonPositivesNeTouchentPasLePeripherique() {
    QFETCH(int, frequence);
    QFETCH(int, duree);
    BipAlsa bip(kAbsent);
    bip.bip(frequence, duree);
    QCOMPARE(bip.nbOuvertures(), 0);
    QVERIFY(!bip.ouvertureEchouee());
}

void TestBip::variableEnvironnementCoupeLeSon() {
    BipAlsa bip(kAbsent);
    qputenv("KESTRANE_SANS_SON", "1");
    bip.bip(440, 5);
    QCOMPARE(bip.nbOuvertures(), 0);

    // Only "1" switches the sound off.
    qputenv("KESTRANE_SANS_SON", "0");
    bip.bip(440, 5);
    QCOMPARE(bip.nbOuvertures(), 1);

    qunsetenv("KESTRANE_SANS_SON");
    bip.reessayer();
    bip.bip(440, 5);
    QCOMPARE(bip.nbOuvertures(), 2);
}

void TestBip::peripheriqueNulResteOuvertEntreLesBips() {
    // alsa-lib's own configuration defines "null", which swallows samples without hardware.
    // Probed directly so that a fault in BipAlsa cannot turn into a skip.
    {
        snd_pcm_t* sonde = nullptr;
        const QByteArray bruit = stderrDe([&] {
            if (snd_pcm_open(&sonde, "null", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
                sonde = nullptr;
            }
        });
        Q_UNUSED(bruit);
        if (sonde == nullptr) QSKIP("this ALSA configuration has no \"null\" PCM");
        snd_pcm_close(sonde);
    }

    BipAlsa bip("null");
    const QByteArray sortie = stderrDe([&] {
        for (int i = 0; i < 14; ++i) bip.bip(1000, 5);
        bip.bip(30000, 5);  // above half the rate: silence, still written
        bip.bip(440, 50);
    });
    QCOMPARE(sortie, QByteArray());
    QVERIFY(bip.sonDisponible());
    QVERIFY(!bip.ouvertureEchouee());
    QCOMPARE(bip.nbOuvertures(), 1);
}

void TestBip::enregistreurGardeLesPaires() {
    kestrane::BipEnregistreur enregistreur;
    kestrane::Bip& bip = enregistreur;
    bip.bip(880, 5);
    bip.bip(440, 120);
    bip.bip(880, 5);
    bip.bip(0, -3);  // recorded as asked: the window's tests check what it asked for
    const std::vector<std::pair<int, int>> attendu{{880, 5}, {440, 120}, {880, 5}, {0, -3}};
    QVERIFY(enregistreur.bips == attendu);
}

void TestBip::nombreEchantillons_data() {
    QTest::addColumn<int>("frequence");
    QTest::addColumn<int>("duree");
    QTest::addColumn<int>("taux");
    QTest::addColumn<int>("attendu");
    QTest::newRow("5 ms à 48 kHz") << 880 << 5 << 48000 << 240;
    QTest::newRow("1 s à 44,1 kHz") << 440 << 1000 << 44100 << 44100;
    QTest::newRow("7 ms à 44,1 kHz, tronqué") << 1000 << 7 << 44100 << 308;
    QTest::newRow("1 ms") << 440 << 1 << 48000 << 48;
    QTest::newRow("durée nulle") << 440 << 0 << 48000 << 0;
    QTest::newRow("durée négative") << 440 << -10 << 48000 << 0;
    QTest::newRow("fréquence nulle") << 0 << 100 << 48000 << 0;
    QTest::newRow("taux nul") << 440 << 100 << 0 << 0;
}

void TestBip::nombreEchantillons() {
    QFETCH(int, frequence);
    QFETCH(int, duree);
    QFETCH(int, taux);
    QFETCH(int, attendu);
    QCOMPARE(static_cast<int>(kestrane::echantillonsTon(frequence, duree, taux).size()), attendu);
}

void TestBip::passagesParZeroSuiventLaFrequence_data() {
    QTest::addColumn<int>("frequence");
    QTest::addColumn<int>("duree");
    QTest::addColumn<int>("taux");
    QTest::newRow("440 Hz, 100 ms, 48 kHz") << 440 << 100 << 48000;
    QTest::newRow("1000 Hz, 50 ms, 44,1 kHz") << 1000 << 50 << 44100;
    QTest::newRow("3000 Hz, 20 ms, 48 kHz") << 3000 << 20 << 48000;
    QTest::newRow("100 Hz, 1 s, 48 kHz") << 100 << 1000 << 48000;
    QTest::newRow("15 kHz, 10 ms, 44,1 kHz") << 15000 << 10 << 44100;
}

void TestBip::passagesParZeroSuiventLaFrequence() {
    QFETCH(int, frequence);
    QFETCH(int, duree);
    QFETCH(int, taux);
    const auto s = kestrane::echantillonsTon(frequence, duree, taux);
    const int attendu = 2 * frequence * duree / 1000;
    const int compte = signeChangements(s);
    QVERIFY2(std::abs(compte - attendu) <= 2,
             qPrintable(
                 QStringLiteral("%1 changements de signe, %2 attendus").arg(compte).arg(attendu)));
    // Loud enough to hear, with headroom below full scale.
    QVERIFY(crete(s) > 8000);
    QVERIFY(crete(s) < 32000);
}

void TestBip::fonduAuxDeuxBouts_data() {
    QTest::addColumn<int>("frequence");
    QTest::addColumn<int>("duree");
    QTest::addColumn<int>("taux");
    QTest::newRow("440 Hz, 100 ms") << 440 << 100 << 48000;
    QTest::newRow("5 kHz, 5 ms") << 5000 << 5 << 48000;
    QTest::newRow("1 kHz, 1 ms (fondu réduit)") << 1000 << 1 << 44100;
}

void TestBip::fonduAuxDeuxBouts() {
    QFETCH(int, frequence);
    QFETCH(int, duree);
    QFETCH(int, taux);
    const auto s = kestrane::echantillonsTon(frequence, duree, taux);
    const int n = static_cast<int>(s.size());
    QVERIFY(n > 4);
    QVERIFY(std::abs(s.front()) <= 1);
    QVERIFY(std::abs(s.back()) <= 1);

    // Within the ramp every sample stays under a straight line from 0 to full amplitude (the
    // peak of a long tone); the ramp lasts about 1 ms, or half the tone when it is shorter.
    QVERIFY(crete(s) > 0);
    const int pic = crete(kestrane::echantillonsTon(frequence, 200, taux));
    const int fondu = std::min(taux / 1000, n / 2);
    for (int i = 0; i < fondu; ++i) {
        const double borne = static_cast<double>(pic) * i / fondu + 2.0;
        QVERIFY2(std::abs(s[i]) <= borne, qPrintable(QStringLiteral("début, %1").arg(i)));
        QVERIFY2(std::abs(s[n - 1 - i]) <= borne, qPrintable(QStringLiteral("fin, %1").arg(i)));
    }
}

void TestBip::auDelaDeNyquistSilence() {
    // A tone the rate cannot carry would alias to another pitch: silence of the same length.
    for (int frequence : {24000, 30000, 32767}) {
        const auto s = kestrane::echantillonsTon(frequence, 10, 48000);
        QCOMPARE(static_cast<int>(s.size()), 480);
        QCOMPARE(crete(s), 0);
    }
    // Just under half the rate is still a tone.
    QVERIFY(crete(kestrane::echantillonsTon(23999, 10, 48000)) > 0);
}

KESTRANE_TEST_UI(TestBip);
