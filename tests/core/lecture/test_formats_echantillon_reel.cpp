// A real Apache log (10,000 lines nobody here wrote) read with the combined format string: the
// default reading's records, but for its escaped bytes, which come out as the bytes they stand for.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/lecture/Detection.h"
#include "core/lecture/LecteurLignes.h"
#include "core/lecture/ULog.h"
#include "tests/core/lecture/OutilsFormats.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

const std::string kChemin = std::string(KESTRANE_ECHANTILLONS) + "/apache-combined-10k.log";

std::vector<std::string> lignesEchantillon() {
    std::vector<std::string> v;
    std::ifstream f(kChemin, std::ios::binary);
    std::string l;
    while (std::getline(f, l)) v.push_back(l);
    return v;
}

}  // namespace

TEST(FormatsEchantillonReel, LaChaineCombineeLitCommeLeDefaut) {
    const std::vector<std::string> lignes = lignesEchantillon();
    if (lignes.empty()) GTEST_SKIP() << "sample journal absent: " << kChemin;
    ASSERT_EQ(lignes.size(), 10000u);
    LecteurLignes lecteur(FormatJournal::depuisChaine(
        "%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\""));
    std::size_t echappees = 0;
    for (std::size_t i = 0; i < lignes.size(); ++i) {
        RLog r, d;
        std::string raison;
        std::string_view fautif;
        ASSERT_TRUE(analyserLigneSouple(lignes[i], d, fautif));
        const Lecture l = lecteur.lire(lignes[i], i, r, &raison);
        if (i == 8898) {
            // Its agent has no closing quote (its opening one is byte 111, as awk's index() finds
            // it): the default reading takes it to the end.
            EXPECT_EQ(l, Lecture::NonConforme);
            EXPECT_EQ(raison, "Guillemet fermant manquant en position 111");
            continue;
        }
        ASSERT_EQ(l, Lecture::Requete) << i << " " << raison;
        if (lignes[i].find('\\') == std::string::npos) {
            ASSERT_EQ(detailLog(r), detailLog(d)) << i;
            continue;
        }
        ++echappees;
        EXPECT_EQ(r.requete, desechappe(d.requete)) << i;
        EXPECT_EQ(r.pagePrecedente, desechappe(d.pagePrecedente)) << i;
        EXPECT_EQ(r.codeRenvoye, d.codeRenvoye) << i;
    }
    EXPECT_EQ(echappees, 3u);
}

TEST(FormatsEchantillonReel, LaDetectionGardeLeDefaut) {
    const std::vector<std::string> lignes = lignesEchantillon();
    if (lignes.empty()) GTEST_SKIP() << "sample journal absent: " << kChemin;
    const Detection d =
        detecterFormat(lignes.size(), [&](std::size_t i) { return std::string_view(lignes[i]); });
    EXPECT_EQ(d.type, TypeFormat::Defaut);
    EXPECT_EQ(d.examinees, 2000u);
    EXPECT_EQ(d.lues, 2000u);
    // Combined lines are also "combined followed by other fields" (none) and common lines
    // followed by two quoted fields: ties the order of simplicity breaks.
    for (const auto& [type, lues] : d.scores) {
        if (type == TypeFormat::CombineSuivi || type == TypeFormat::Commun) {
            EXPECT_EQ(lues, 2000u);
        }
        if (type == TypeFormat::Json || type == TypeFormat::W3C) {
            EXPECT_EQ(lues, 0u);
        }
    }
}
