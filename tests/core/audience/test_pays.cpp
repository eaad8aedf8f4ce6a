#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "EcrivainMmdb.h"
#include "OutilsAudience.h"
#include "core/audience/BasePays.h"

using namespace kestrane;
using namespace kestrane::test;
namespace fs = std::filesystem;

namespace {

// A folder of its own for each test, removed after it.
class Pays : public ::testing::Test {
  protected:
    void SetUp() override {
        dossier_ = fs::temp_directory_path() /
                   ("kestrane-pays-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dossier_);
        fs::create_directories(dossier_);
    }
    void TearDown() override { fs::remove_all(dossier_); }

    std::string chemin(const std::string& nom) const { return (dossier_ / nom).string(); }

    // The message of the error opening the database raises, "(ouverte)" when it opens.
    static std::string message(const std::string& chemin) {
        try {
            BasePays b(chemin);
        } catch (const ErreurKestrane& e) {
            return e.message();
        }
        return "(ouverte)";
    }
    static std::string illisible(const std::string& chemin) {
        return '"' + chemin + '"' + std::string(kBaseIllisible);
    }

    std::string ecrireFichier(const std::string& nom, const std::string& octets) const {
        std::ofstream(chemin(nom), std::ios::binary) << octets;
        return chemin(nom);
    }

    // France, the United States named in French, Germany in English only, Switzerland by its
    // code only, Canada as a registered country, Japan for an IPv6 network, and a private range
    // that the database places somewhere (which an analysis must not believe).
    static EcrivainMmdb base(int versionIP = 6) {
        EcrivainMmdb e(versionIP);
        e.ajouter("1.2.3.0/24", paysMmdb("FR", {{"en", "France"}, {"fr", "France"}}));
        e.ajouter("5.6.0.0/16",
                  paysMmdb("US", {{"en", "United States"}, {"fr", "\xC3\x89tats-Unis"}}));
        e.ajouter("5.6.7.0/24", paysMmdb("CA", {{"fr", "Canada"}}, true));
        e.ajouter("8.8.8.0/24", paysMmdb("DE", {{"en", "Germany"}}));
        e.ajouter("9.9.9.0/24", paysMmdb("CH", {}));
        e.ajouter("10.0.0.0/8", paysMmdb("ZZ", {{"fr", "Priv\xC3\xA9"}}));
        if (versionIP == 6) e.ajouter("2001:db8::/32", paysMmdb("JP", {{"fr", "Japon"}}));
        return e;
    }

    fs::path dossier_;
};

}  // namespace

TEST_F(Pays, NomsDesPaysEtAdressesInconnues) {
    base().ecrire(chemin("pays.mmdb"));
    const BasePays b(chemin("pays.mmdb"));
    EXPECT_EQ(b.typeBase(), "Kestrane-Test-Country");
    struct Cas {
        const char* adresse;
        const char* pays;
    } cas[] = {
        {"1.2.3.4", "France"},
        {"5.6.200.1", "\xC3\x89tats-Unis"},
        {"5.6.7.8", "Canada"},
        {"8.8.8.8", "Germany"},
        {"9.9.9.9", "CH"},
        {"2001:db8::1", "Japon"},
        {"2001:DB8:0:0:0:0:0:2", "Japon"},
        {"::ffff:1.2.3.4", "France"},
        {"4.4.4.4", "Inconnu"},
        {"10.1.2.3", "Inconnu"},
        {"192.168.1.1", "Inconnu"},
        {"127.0.0.1", "Inconnu"},
        {"::1", "Inconnu"},
        {"fe80::1", "Inconnu"},
        {"2a00::1", "Inconnu"},
        {"hote.exemple.fr", "Inconnu"},
        {"localhost", "Inconnu"},
        {"1.2.3.4.5", "Inconnu"},
        {"", "Inconnu"},
    };
    for (const Cas& c : cas) EXPECT_EQ(b.paysDe(c.adresse), c.pays) << c.adresse;
    EXPECT_EQ(b.fiche("1.2.3.4"), b.ficheIPv4(0x01020304));
    EXPECT_EQ(b.fiche("1.2.3.4"), b.fiche("1.2.3.200"));
    EXPECT_NE(b.fiche("1.2.3.4"), b.fiche("5.6.200.1"));
}

TEST_F(Pays, BaseIPv4EtClientIPv6) {
    base(4).ecrire(chemin("v4.mmdb"));
    const BasePays b(chemin("v4.mmdb"));
    EXPECT_EQ(b.paysDe("1.2.3.4"), "France");
    EXPECT_EQ(b.paysDe("2001:db8::1"), "Inconnu");
}

TEST_F(Pays, FichiersIllisibles) {
    const std::string texte = ecrireFichier("texte.mmdb", "ceci n'est pas une base\n");
    EXPECT_EQ(message(texte), "\"" + texte + "\" n'est pas une base de g\xE9olocalisation lisible");
    const std::string vide = ecrireFichier("vide.mmdb", "");
    EXPECT_EQ(message(vide), "\"" + vide + "\"" + std::string(kBaseIllisible));
    // Cut before its metadata.
    const std::string bonne = base().octets();
    const std::string coupee = ecrireFichier("coupee.mmdb", bonne.substr(0, bonne.size() / 2));
    EXPECT_EQ(message(coupee), "\"" + coupee + "\"" + std::string(kBaseIllisible));
    EXPECT_EQ(message(chemin("absente.mmdb")), "Impossible d'ouvrir le fichier \"" +
                                                   chemin("absente.mmdb") +
                                                   "\". No such file or directory");
    EXPECT_EQ(message(dossier_.string()), "Impossible d'ouvrir le fichier \"" + dossier_.string() +
                                              "\". " + kPasFichierOrdinaire);
    try {
        BasePays b(texte);
    } catch (const ErreurBasePays& e) {
        EXPECT_EQ(e.chemin(), texte);
    }
}

// A database whose tree or data were damaged opens, and its damaged parts read as unknown.
TEST_F(Pays, BaseEndommageeSansPlantage) {
    std::string octets = base().octets();
    // The records of the first nodes point past the tree and the data.
    for (std::size_t k = 0; k < 6 * 40; ++k) octets[k] = static_cast<char>(0xFF);
    const std::string arbre = ecrireFichier("arbre.mmdb", octets);
    const BasePays b(arbre);
    EXPECT_EQ(b.paysDe("1.2.3.4"), "Inconnu");
    EXPECT_EQ(b.nomPays(1 << 20), "");

    // The data section overwritten: the record is found, its country is not.
    std::string donnees = base().octets();
    const std::size_t marque = donnees.find("\xAB\xCD\xEFMaxMind.com");
    const std::size_t debut = donnees.find(std::string(16, '\0'));
    ASSERT_NE(marque, std::string::npos);
    for (std::size_t k = debut + 16; k < marque; ++k) donnees[k] = static_cast<char>(0xDF);
    const BasePays d(ecrireFichier("donnees.mmdb", donnees));
    EXPECT_EQ(d.paysDe("1.2.3.4"), "Inconnu");
}

TEST_F(Pays, RechercheDeLaBaseParDefaut) {
    fs::create_directories(chemin("a"));
    fs::create_directories(chemin("b"));
    fs::create_directories(chemin("c/x-country.mmdb"));  // a folder, not a database
    ecrireFichier("a/GeoLite2-City.mmdb", "");
    ecrireFichier("b/dbip-country-lite.mmdb", "");
    ecrireFichier("b/GeoLite2-Country.mmdb", "");
    ecrireFichier("b/Country.mmdb.old", "");
    const std::vector<std::string> dossiers = {chemin("absent"), chemin("c"), chemin("a"),
                                               chemin("b")};
    EXPECT_EQ(chercherBasePays(dossiers), chemin("b") + "/GeoLite2-Country.mmdb");
    EXPECT_EQ(chercherBasePays({chemin("a"), chemin("c")}), "");
    EXPECT_EQ(dossiersGeoIP(), (std::vector<std::string>{"/usr/share/GeoIP", "/var/lib/GeoIP"}));
}

// The countries' table: requests, bytes and visitors per country, clients written as IPv6
// addresses or host names read by the analysis that keeps them.
TEST_F(Pays, TableDesPays) {
    base().ecrire(chemin("pays.mmdb"));
    ReglagesAudience reglages;
    reglages.base = std::make_shared<const BasePays>(chemin("pays.mmdb"));
    std::vector<std::string> lignes;
    const auto ajouter = [&](const char* ip, const char* date, const char* agent) {
        Ligne l;
        l.ip = ip;
        l.date = date;
        l.agent = agent;
        lignes.push_back(l.texte());
    };
    ajouter("1.2.3.4", "06/Dec/2006", "a");
    ajouter("1.2.3.4", "07/Dec/2006", "a");
    ajouter("1.2.3.9", "07/Dec/2006", "a");
    ajouter("2001:db8::7", "06/Dec/2006", "a");
    ajouter("hote.exemple.fr", "06/Dec/2006", "a");
    ajouter("10.0.0.1", "06/Dec/2006", "a");
    ajouter("1.2.3.4", "07/Dec/2006", "b");
    const Audience au = audienceDe(journalDe(lignes), reglages, true);
    ASSERT_TRUE(au.avecPays);
    EXPECT_EQ(requetes(au.pays), (Paires{{"France", 4}, {"Japon", 1}, {"Inconnu", 2}}));
    EXPECT_EQ(au.pays[0].visiteurs, 4);
    EXPECT_EQ(au.pays[0].octets, 400);
    EXPECT_EQ(au.pays[2].visiteurs, 2);

    const Audience sans = audienceDe(journalDe(lignes), {}, true);
    EXPECT_FALSE(sans.avecPays);
    EXPECT_TRUE(sans.pays.empty());
    EXPECT_EQ(sans.visiteurs, 7);
}

// Metadata that claim more than the file holds are refused as any unreadable database, before
// the first lookup: libmaxminddb takes the node count's word and reads past the file's end.
TEST_F(Pays, MetadonneesQueLeFichierNeContientPas) {
    const std::string trouve = std::string(KESTRANE_DONNEES_AUDIENCE) + "/geoip-node-count.mmdb";
    ASSERT_TRUE(fs::is_regular_file(trouve));
    EXPECT_EQ(message(trouve), illisible(trouve));

    const uint64_t noeuds = base().nombreNoeuds();
    const std::string octets = base().octets();
    const std::size_t marque = octets.find("\xAB\xCD\xEFMaxMind.com");
    ASSERT_NE(marque, std::string::npos);
    struct Cas {
        const char* nom;
        EcrivainMmdb::Metadonnees metadonnees;
    } cas[] = {
        {"2^32 - 1 noeuds", {0xFFFFFFFF, {}, {}}},
        // 2^31 nodes more make a tree 3 * 2^32 bytes longer: the same length in 32 bits.
        {"2^31 noeuds de plus", {noeuds + (uint64_t{1} << 31), {}, {}}},
        {"arbre plus long que le fichier", {octets.size() / 6 + 1, {}, {}}},
        // The library opens it (the tree ends before the file does) but the data would start
        // inside the metadata.
        {"arbre jusque dans les metadonnees", {(marque - 16) / 6 + 1, {}, {}}},
        {"aucun noeud", {0, {}, {}}},
        {"enregistrements de 20 bits", {{}, 20, {}}},
        {"enregistrements de 36 bits", {{}, 36, {}}},
        {"enregistrements de 32 bits", {noeuds, 32, {}}},
        {"IPv5", {{}, {}, 5}},
    };
    // The library refuses some of them itself (a tree longer than the file, no node, records
    // of 20 or 36 bits, IPv5): they stay refused.
    for (const Cas& c : cas) {
        EcrivainMmdb e = base();
        e.imposer(c.metadonnees);
        const std::string f = chemin(std::string(c.nom) + ".mmdb");
        e.ecrire(f);
        EXPECT_EQ(message(f), illisible(f)) << c.nom;
    }

    // The true counts open, and so does a database of no network: its data section is empty.
    EcrivainMmdb vraie = base();
    vraie.imposer({noeuds, 24, 6});
    vraie.ecrire(chemin("vraie.mmdb"));
    EXPECT_EQ(BasePays(chemin("vraie.mmdb")).paysDe("1.2.3.4"), "France");
    EcrivainMmdb(6).ecrire(chemin("vide.mmdb"));
    EXPECT_EQ(BasePays(chemin("vide.mmdb")).paysDe("1.2.3.4"), "Inconnu");
}

namespace {

ValeurMmdb nommePays(std::string nom) {
    return ValeurMmdb::deCarte(
        {{"names", ValeurMmdb::deCarte({{"fr", ValeurMmdb::deTexte(std::move(nom))}})}});
}

// `profondeur` times the same container of one element, around a text.
ValeurMmdb imbriquees(const std::string& niveau, std::size_t profondeur) {
    std::string s;
    s.reserve(niveau.size() * profondeur + 8);
    for (std::size_t k = 0; k < profondeur; ++k) s += niveau;
    return ValeurMmdb::brute(s + encoderMmdb(ValeurMmdb::deTexte("fond")));
}

}  // namespace

// Values nested far deeper than any country record (libmaxminddb skips a value it does not want
// by recursing once a level, and overflows the stack): the record reads as no country, the
// records beside it as they are.
TEST_F(Pays, ValeursTropProfondes) {
    const std::string liste = enteteMmdb(11, 1);
    const std::string carte = enteteMmdb(7, 1) + encoderMmdb(ValeurMmdb::deTexte("a"));
    const ValeurMmdb listes = imbriquees(liste, 300000);
    const ValeurMmdb cartes = imbriquees(carte, 300000);
    using V = ValeurMmdb;
    struct Cas {
        const char* reseau;
        const char* adresse;
        ValeurMmdb fiche;
        const char* pays;
    } cas[] = {
        {"20.0.0.0/8", "20.1.2.3", V::deCarte({{"country", listes}}), "Inconnu"},
        {"21.0.0.0/8", "21.1.2.3", V::deCarte({{"country", cartes}}), "Inconnu"},
        // Deep values before the country: the record is not walked past them, as damaged.
        {"22.0.0.0/8", "22.1.2.3", V::deCarte({{"aaa", listes}, {"country", nommePays("Suisse")}}),
         "Inconnu"},
        {"23.0.0.0/8", "23.1.2.3",
         V::deCarte(
             {{"country", V::deCarte({{"aaa", cartes},
                                      {"names", V::deCarte({{"fr", V::deTexte("Suisse")}})}})}}),
         "Inconnu"},
        {"24.0.0.0/8", "24.1.2.3",
         V::deCarte({{"country", cartes}, {"registered_country", nommePays("Suisse")}}), "Inconnu"},
        // Read before the deep value is met.
        {"25.0.0.0/8", "25.1.2.3", V::deCarte({{"country", nommePays("Suisse")}, {"zzz", listes}}),
         "Suisse"},
        // 20 levels: deeper than real records, still read.
        {"26.0.0.0/8", "26.1.2.3",
         V::deCarte({{"aaa", imbriquees(liste, 20)},
                     {"bbb", imbriquees(carte, 20)},
                     {"country", nommePays("Autriche")}}),
         "Autriche"},
    };
    EcrivainMmdb e;
    e.ajouter("1.2.3.0/24", paysMmdb("FR", {{"fr", "France"}}));
    for (const Cas& c : cas) e.ajouter(c.reseau, c.fiche);
    e.ajouter("9.9.9.0/24", paysMmdb("CH", {}));
    e.ecrire(chemin("profonde.mmdb"));
    const BasePays b(chemin("profonde.mmdb"));
    for (const Cas& c : cas) EXPECT_EQ(b.paysDe(c.adresse), c.pays) << c.reseau;
    EXPECT_EQ(b.paysDe("1.2.3.4"), "France");
    EXPECT_EQ(b.paysDe("9.9.9.9"), "CH");
}

// Each way the data section may write the values a country needs: pointers of the four sizes, to
// a value, a name or a key; the three lengths of a long size; values of every type before the
// country, to be skipped. Damaged values read as no country.
TEST_F(Pays, ValeursCodees) {
    using V = ValeurMmdb;
    const auto noms = [](const char* fr) { return V::deCarte({{"fr", V::deTexte(fr)}}); };
    const auto avec = [](std::string octets) { return V::brute(std::move(octets)); };
    // Types and sizes: a value of each fixed-size type (big-endian payload) or of another kind.
    const auto valeur = [](int genre, std::size_t taille, std::size_t octets) {
        return V::brute(enteteMmdb(genre, taille) + std::string(octets, '\x01'));
    };
    EcrivainMmdb e;
    // Targets of pointers, at offsets that each size of pointer reaches.
    const uint64_t suisse = e.ajouter("40.0.0.0/16", noms("Suisse"));
    const uint64_t italie = e.ajouter("40.1.0.0/16", nommePays("Italie"));
    const uint64_t espagne = e.ajouter("40.2.0.0/16", V::deTexte("Espagne"));
    const uint64_t country = e.ajouter("40.3.0.0/16", V::deTexte("country"));
    const uint64_t pointeurSuisse = e.ajouter("40.4.0.0/16", V::pointeur(suisse));
    e.ajouter("40.5.0.0/16", V::deTexte(std::string(3000, 'x')));
    const uint64_t autriche = e.ajouter("40.6.0.0/16", noms("Autriche"));
    e.ajouter("40.7.0.0/16", V::deTexte(std::string(600000, 'x')));
    const uint64_t belgique = e.ajouter("40.8.0.0/16", noms("Belgique"));
    ASSERT_GE(autriche, 2048u);
    ASSERT_GE(belgique, 526336u);

    const auto pays = [](V v) { return V::deCarte({{"country", std::move(v)}}); };
    const auto nomme = [](V v) { return V::deCarte({{"names", std::move(v)}}); };
    const auto precede = [&](V v) {
        return V::deCarte({{"aaa", std::move(v)}, {"country", nommePays("Grece")}});
    };
    const std::string long1(100, 'a'), long2(300, 'b'), long3(70000, 'c');
    struct Cas {
        const char* nom;
        ValeurMmdb fiche;
        std::string pays;
    } cas[] = {
        {"pointeur 11 bits", pays(nomme(V::pointeur(suisse, 0))), "Suisse"},
        {"pointeur 19 bits", pays(nomme(V::pointeur(autriche, 1))), "Autriche"},
        {"pointeur 27 bits", pays(nomme(V::pointeur(belgique, 2))), "Belgique"},
        {"pointeur 32 bits", pays(nomme(V::pointeur(suisse, 3))), "Suisse"},
        {"pays pointe", pays(V::pointeur(italie, 0)), "Italie"},
        {"nom pointe", pays(nomme(V::deCarte({{"fr", V::pointeur(espagne, 0)}}))), "Espagne"},
        {"cle pointee",
         avec(enteteMmdb(7, 1) + encoderMmdb(V::pointeur(country, 0)) +
              encoderMmdb(nommePays("Portugal"))),
         "Portugal"},
        {"pointeur de pointeur", pays(nomme(V::pointeur(pointeurSuisse, 0))), "Inconnu"},
        {"pointeur hors des donnees", pays(nomme(V::pointeur(50000000, 3))), "Inconnu"},
        {"taille sur un octet", pays(nomme(noms(long1.c_str()))), long1},
        {"taille sur deux octets", pays(nomme(noms(long2.c_str()))), long2},
        {"taille sur trois octets", pays(nomme(noms(long3.c_str()))), long3},
        {"reel", precede(valeur(3, 8, 8)), "Grece"},
        {"octets", precede(valeur(4, 5, 5)), "Grece"},
        {"entiers",
         precede(V::deListe({valeur(5, 2, 2), valeur(6, 4, 4), valeur(8, 4, 4), valeur(9, 8, 8),
                             valeur(10, 16, 16)})),
         "Grece"},
        {"booleen", precede(valeur(14, 1, 0)), "Grece"},
        {"reel court", precede(valeur(15, 4, 4)), "Grece"},
        {"pointeur saute sans etre suivi", precede(V::pointeur(50000000, 3)), "Grece"},
        {"cle pointee sautee",
         precede(avec(enteteMmdb(7, 1) + encoderMmdb(V::pointeur(country, 0)) +
                      encoderMmdb(V::pointeur(suisse, 0)))),
         "Grece"},
        {"nom qui n'est pas un texte",
         pays(nomme(V::deCarte({{"fr", V::dEntier(7)}, {"en", V::deTexte("Greece")}}))), "Greece"},
        {"reel de 4 octets", precede(valeur(3, 4, 4)), "Inconnu"},
        {"booleen de 2", precede(valeur(14, 2, 0)), "Inconnu"},
        {"entier de 16 bits sur 3 octets", precede(valeur(5, 3, 3)), "Inconnu"},
        {"reel court de 8 octets", precede(valeur(15, 8, 8)), "Inconnu"},
        {"conteneur", precede(valeur(12, 0, 0)), "Inconnu"},
        {"fin", precede(valeur(13, 0, 0)), "Inconnu"},
        {"cle entiere",
         avec(enteteMmdb(7, 1) + encoderMmdb(V::dEntier(1)) + encoderMmdb(nommePays("Suisse"))),
         "Inconnu"},
        // Last in the data section: its text would run into the metadata.
        {"texte coupe",
         avec(enteteMmdb(7, 1) + encoderMmdb(V::deTexte("country")) + enteteMmdb(7, 1) +
              encoderMmdb(V::deTexte("iso_code")) + enteteMmdb(2, 20)),
         "Inconnu"},
    };
    std::size_t k = 0;
    for (const Cas& c : cas) e.ajouter("30." + std::to_string(k++) + ".0.0/16", c.fiche);
    e.ecrire(chemin("codees.mmdb"));
    const BasePays b(chemin("codees.mmdb"));
    k = 0;
    for (const Cas& c : cas) {
        EXPECT_EQ(b.paysDe("30." + std::to_string(k++) + ".1.1"), c.pays) << c.nom;
    }
}
