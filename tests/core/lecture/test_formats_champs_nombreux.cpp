// Lines of many fields, which the readers cut from the positions of their separators 64 bytes at
// a time: the cursor itself, format strings of many fields in a row, the fields after a combined
// line and W3C columns, each against a plain reading of the same rules; the other fields listed
// only when asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/lecture/CurseurOctets.h"
#include "core/lecture/LecteurLignes.h"
#include "core/lecture/UString.h"
#include "tests/core/lecture/OutilsFormats.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

constexpr std::string_view kDebut =
    "1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] \"GET / HTTP/1.1\" 200 5 \"-\" \"curl/8.0\"";

// A reading without listing: the record and the extras but the other fields, which stay empty.
Lu lireSansAutres(const FormatJournal& f, std::string_view ligne) {
    LecteurLignes lecteur(f);
    Lu u = lire(lecteur, ligne);
    EXPECT_TRUE(lecteur.enPlus().autres.empty()) << ligne;
    return u;
}

void attendreMemeLecture(const Lu& a, const Lu& b, std::string_view ligne) {
    EXPECT_EQ(a.lecture, b.lecture) << ligne;
    EXPECT_EQ(a.raison, b.raison) << ligne;
    EXPECT_EQ(a.client, b.client) << ligne;
    EXPECT_EQ(a.statut, b.statut) << ligne;
    EXPECT_EQ(a.temps, b.temps) << ligne;
    EXPECT_EQ(a.port, b.port) << ligne;
}

}  // namespace

TEST(CurseurOctets, SuitLesOctetsChoisisCommeUneRechercheOctetParOctet) {
    std::mt19937 alea(64);
    for (int essai = 0; essai < 3000; ++essai) {
        std::string t(alea() % 300, 'a');
        for (char& c : t) c = "a \"\\x"[alea() % 5];
        const auto choisi = [](char c) { return c == ' ' || c == '"' || c == '\\'; };
        std::size_t ici = alea() % (t.size() + 1);
        CurseurOctets c(t.data(), t.size(), ' ', '"', '\\', ici);
        CurseurOctets::Marque marque = c.marque();
        std::size_t ici0 = ici;
        for (int pas = 0; pas < 200; ++pas) {
            std::size_t attendu = ici;
            while (attendu < t.size() && !choisi(t[attendu])) ++attendu;
            ASSERT_EQ(c.suivant(), attendu) << t << " depuis " << ici;
            switch (alea() % 4) {
                case 0:
                case 1:
                    c.passer();
                    ici = std::min(attendu + 1, t.size());
                    break;
                case 2:
                    ici += alea() % 150;
                    c.allerA(ici);
                    ici = std::min(ici, t.size());
                    break;
                default:
                    if (alea() % 2 == 0) {
                        marque = c.marque();
                        ici0 = ici;
                    } else {
                        c.revenir(marque);
                        ici = ici0;
                    }
            }
        }
    }
}

TEST(ChampsNombreux, UneChaineDeFormatLitChaqueChampEntreSesSeparateurs) {
    // 24 headers in a row, then the status: the separators of a blank or of "|" found by the
    // cursor give the values a plain cut gives, unescaped and "-" for an empty one, and the
    // lines of too few or too many values fail where a plain reading fails.
    std::mt19937 alea(20);
    const char* const kMorceaux[] = {"a", "-",  "\\\\", "\\x41b",       "\"",
                                     "",  "zz", "c\\",  "valeur-longue"};
    for (const char sep : {' ', '|'}) {
        std::string chaine;
        for (int k = 0; k < 24; ++k) chaine += "%{X" + std::to_string(k) + "}i" + sep;
        chaine += "%>s";
        const FormatJournal f = FormatJournal::depuisChaine(chaine);
        for (int essai = 0; essai < 1500; ++essai) {
            const std::size_t nb = 22 + alea() % 4;
            std::string ligne, autres;
            for (std::size_t k = 0; k < nb; ++k) {
                const std::string m = kMorceaux[alea() % std::size(kMorceaux)];
                ligne += m + sep;
                autres +=
                    "%{X" + std::to_string(k) + "}i=" + (m.empty() ? "-" : desechappe(m)) + ";";
            }
            ligne += "200";
            const Lu u = lire(f, ligne);
            attendreMemeLecture(lireSansAutres(f, ligne), u, ligne);
            if (nb == 24) {
                ASSERT_EQ(u.lecture, Lecture::Requete) << ligne << " : " << u.raison;
                EXPECT_EQ(u.autres, autres) << ligne;
                EXPECT_EQ(u.statut, 200);
                continue;
            }
            ASSERT_EQ(u.lecture, Lecture::NonConforme) << ligne;
            // Too few values: the last header looks for its separator in "200". Too many: the
            // status takes what is left, up to a blank.
            std::size_t reste = 0;
            for (int k = 0; k < 24; ++k) reste = ligne.find(sep, reste) + 1;
            std::string raison = "Ligne incompl\xE8te";
            if (nb > 24 && sep == '|') {
                raison = raisonEntier(desechappe(ligne.substr(reste)));
            } else if (nb > 24) {
                raison = ligne[reste] == ' '
                             ? "Champ %>s vide en position " + std::to_string(reste + 1)
                             : "Texte en trop en position " + std::to_string(ligne.size() - 3) +
                                   " : ' 200'";
            }
            EXPECT_EQ(u.raison, raison) << ligne;
        }
    }
}

TEST(ChampsNombreux, LesFautesDUneChaineDeFormatSontCellesDeLaLectureChampParChamp) {
    std::string entetes;
    for (int k = 0; k < 10; ++k) entetes += " %{X" + std::to_string(k) + "}i";
    const std::string dix(" a a a a a a a a a a");
    const struct {
        std::string chaine, ligne, raison;
    } kCas[] = {
        // The values of other kinds among them.
        {"%h %>s %b" + entetes + " %D", "1.2.3.4 200 5" + dix + " 7", ""},
        // An empty value where Apache writes "-", a blank within a field ended by "|".
        {"%h %>s %b" + entetes + " %D %u", "1.2.3.4 200 5" + dix + "  x",
         "Champ %D vide en position 35"},
        {"%h|%>s|%b|%{A}i|%{B}i|%{C}i|%{D}i|%{E}i|%{F}i|%{G}i|%{H}i|%{I}i",
         "1.2.3.4|200|5|a|b|c|d e|e|f|g|h|i", "Blanc inattendu dans %{D}i en position 22"},
        {"%h %>s %b" + entetes, "1.2.3.4 200 5" + dix + " b",
         "Texte en trop en position 34 : ' b'"},
    };
    // Paths and queries joined, one after the other: the first one is the request.
    std::string chemins = "%h %>s", valeurs = "1.2.3.4 200";
    for (int k = 0; k < 10; ++k) {
        chemins += " %U%q";
        valeurs += " /p" + std::to_string(k) + "?q";
    }
    EXPECT_EQ(lireSansAutres(FormatJournal::depuisChaine(chemins), valeurs).requete, "/p0?q");
    for (const auto& c : kCas) {
        const FormatJournal f = FormatJournal::depuisChaine(c.chaine);
        const Lu u = lire(f, c.ligne);
        attendreMemeLecture(lireSansAutres(f, c.ligne), u, c.ligne);
        EXPECT_EQ(u.raison, c.raison) << c.ligne;
        if (!c.raison.empty()) continue;
        ASSERT_EQ(u.lecture, Lecture::Requete);
        EXPECT_EQ(u.client, "1.2.3.4");
        EXPECT_EQ(u.statut, 200);
        EXPECT_EQ(u.octets, 5);
        EXPECT_EQ(u.temps, 7);
    }
}

namespace {

// The fields after a combined line as a plain reading cuts them, one byte after the other: the
// other fields listed, the response time and the port; false with the reason when they do not
// read.
bool couperSimplement(std::string_view s, std::string& autres, int64_t& temps, int32_t& port,
                      std::string& raison) {
    const std::size_t decalage = kDebut.size();
    std::string duree;
    std::size_t numero = 0;
    for (std::size_t pos = 0; pos < s.size(); ++numero) {
        if (s[pos] != ' ' || pos + 1 == s.size()) {
            raison = "Texte en trop en position " + std::to_string(decalage + pos + 1) + " : " +
                     citerTexte(s.substr(pos));
            return false;
        }
        ++pos;
        std::string val;
        bool cite = s[pos] == '"';
        std::size_t f = pos + (cite ? 1 : 0);
        while (f < s.size() && s[f] != (cite ? '"' : ' ')) f += cite && s[f] == '\\' ? 2 : 1;
        if (cite && f >= s.size()) {
            raison = "Guillemet fermant manquant en position " + std::to_string(decalage + pos + 1);
            return false;
        }
        val = desechappe(s.substr(pos + (cite ? 1 : 0), f - pos - (cite ? 1 : 0)));
        pos = f + (cite ? 1 : 0);
        const bool nombre = val.size() >= 3 && val.find('.') != std::string::npos &&
                            val.find_first_not_of("0123456789.") == std::string::npos &&
                            val.find('.') == val.rfind('.') && val[0] != '.' && val.back() != '.';
        if (!cite && duree.empty() && nombre) {
            duree = val;
            temps = static_cast<int64_t>(std::stod(val) * 1e6 + 0.5);
        } else if (!cite && port < 0 &&
                   (val == "80" || val == "443" || val == "8000" || val == "8008" ||
                    val == "8080" || val == "8443" || val == "8888")) {
            port = std::stoi(val);
        } else {
            autres += (numero < 12 ? "champ " + std::to_string(numero + 1) : "champ") + "=" +
                      (val.empty() ? "-" : val) + ";";
        }
    }
    return true;
}

}  // namespace

TEST(ChampsNombreux, LesChampsApresUnCombineSontCeuxDUneLectureOctetParOctet) {
    // Hundreds of fields, quoted or not, escaped, empty, holding blanks or quotes, some lines
    // ending short: cut 64 bytes at a time, they are what a plain reading finds.
    std::mt19937 alea(35);
    const char* const kMorceaux[] = {"7",     "ab",  "\"q\"",      "\"a b\"", "\"x\\\"y\"",
                                     "\"\"",  "",    "a\"b",       "c\\x41",  "0.25",
                                     "1.500", "443", "8080",       "80",      "\"\\\\\"",
                                     "12",    "x\\", "\"quatre\"", "valeur"};
    const FormatJournal f = FormatJournal::propose(TypeFormat::CombineSuivi);
    for (int essai = 0; essai < 2000; ++essai) {
        std::string suite;
        for (std::size_t k = alea() % 200; k > 0; --k) {
            suite += ' ';
            suite += kMorceaux[alea() % std::size(kMorceaux)];
        }
        switch (alea() % 8) {
            case 0:
                suite += " \"sans fin";
                break;
            case 1:
                suite += ' ';
                break;
            case 2:
                suite += "\"x";
                break;
        }
        const std::string ligne = std::string(kDebut) + suite;
        std::string autres, raison;
        int64_t temps = -1;
        int32_t port = -1;
        const bool lue = couperSimplement(suite, autres, temps, port, raison);
        const Lu u = lire(f, ligne);
        attendreMemeLecture(lireSansAutres(f, ligne), u, ligne);
        ASSERT_EQ(u.lecture, lue ? Lecture::Requete : Lecture::NonConforme) << ligne;
        if (!lue) {
            EXPECT_EQ(u.raison, raison) << ligne;
            continue;
        }
        EXPECT_EQ(u.autres, autres) << ligne;
        EXPECT_EQ(u.temps, temps) << ligne;
        EXPECT_EQ(u.port, port) << ligne;
    }
}

TEST(ChampsNombreux, SansLesAutresChampsLaLectureEstLaMeme) {
    // W3C columns and JSON keys that feed no field of the record: not listed, and no value of
    // theirs makes a line fail (a JSON string with an escape that does not read included).
    const FormatJournal w3c = FormatJournal::propose(TypeFormat::W3C);
    const FormatJournal json = FormatJournal::json(lireCorrespondanceJson(
        "temps=time; statut=status; requete=request; autre=x; autre=y.z; client=ip"));
    const struct {
        const FormatJournal* format;
        std::vector<std::string> lignes;
        const char* autres;
    } kCas[] = {
        {&w3c,
         {"#Fields: date time c-ip s-ip cs-method cs-uri-stem sc-status x-a",
          "2023-12-20 10:00:00 1.2.3.4 5.6.7.8 GET /a 200 \"b c\""},
         "s-ip=5.6.7.8;x-a=b c;"},
        {&json,
         {"{\"time\":\"10/Oct/2000:13:55:36 -0700\",\"status\":200,\"request\":\"GET / HTTP/1.1\","
          "\"x\":\"\\u00e9\\q\",\"y\":{\"z\":[1]},\"ip\":\"1.2.3.4\"}"},
         ""},
        {&json,
         {"{\"time\":\"10/Oct/2000:13:55:36 -0700\",\"status\":200,\"request\":\"GET / HTTP/1.1\","
          "\"x\":\"a\\tb\",\"y\":{\"z\":7},\"ip\":\"1.2.3.4\"}"},
         "x=a\\tb;y.z=7;"},
    };
    for (const auto& c : kCas) {
        LecteurLignes avec(*c.format), sans(*c.format);
        avec.listerAutres(true);
        Lu a, s;
        for (std::size_t i = 0; i < c.lignes.size(); ++i) {
            a = lire(avec, c.lignes[i], i);
            s = lire(sans, c.lignes[i], i);
            EXPECT_TRUE(sans.enPlus().autres.empty());
        }
        ASSERT_EQ(a.lecture, Lecture::Requete) << a.raison;
        attendreMemeLecture(a, s, c.lignes.back());
        EXPECT_EQ(a.client, "1.2.3.4");
        EXPECT_EQ(a.autres, c.autres);
    }
}

namespace {

// A W3C line as a plain reading cuts it, one value after the other: the other columns listed,
// or the reason it does not read.
bool couperW3CSimplement(const std::vector<std::string>& colonnes, std::string_view l,
                         std::string& autres, std::string& raison) {
    const char sep = l.find('\t') != std::string_view::npos ? '\t' : ' ';
    std::size_t pos = 0, k = 0;
    for (; pos <= l.size() && k < colonnes.size(); ++k) {
        std::string_view val;
        if (pos < l.size() && l[pos] == '"') {
            const std::size_t q = l.find('"', pos + 1);
            if (q == std::string_view::npos) {
                raison = "Guillemet fermant manquant en position " + std::to_string(pos + 1);
                return false;
            }
            val = l.substr(pos + 1, q - pos - 1);
            pos = q + 1;
            if (pos < l.size() && l[pos] != sep) break;
        } else {
            const std::size_t f = std::min(l.find(sep, pos), l.size());
            val = l.substr(pos, f - pos);
            pos = f;
        }
        ++pos;
        if (k >= 3) autres += colonnes[k] + "=" + std::string(val.empty() ? "-" : val) + ";";
    }
    if (k == colonnes.size() && pos > l.size()) return true;
    raison = std::to_string(std::count(l.begin(), l.end(), sep) + 1) + " valeurs pour " +
             std::to_string(colonnes.size()) + " colonnes de #Fields:";
    return false;
}

}  // namespace

TEST(ChampsNombreux, LesValeursW3CSontCellesDUneLectureValeurParValeur) {
    // Hundreds of columns, values quoted or not, empty, holding quotes or blanks, separated by
    // blanks or tabs, too few or too many of them; the "#Fields:" line's names between runs of
    // blanks and tabs, the same line again sharing its columns.
    std::mt19937 alea(3);
    const char* const kValeurs[] = {
        "-", "a", "\"b c\"", "a\"b", "", "\"\"", "valeur-longue", "\"x\"y", "\"ouvert", "\"q\""};
    const FormatJournal w3c = FormatJournal::propose(TypeFormat::W3C);
    for (int essai = 0; essai < 300; ++essai) {
        // Two "#Fields:" lines, the second one column shorter.
        std::vector<std::string> colonnes[2] = {{"date", "time", "sc-status"}};
        for (std::size_t k = 40 + alea() % 200; k > 0; --k) {
            colonnes[0].push_back("x-" + std::to_string(alea() % 1000));
        }
        colonnes[1].assign(colonnes[0].begin(), colonnes[0].end() - 1);
        std::string champs[2];
        for (int c = 0; c < 2; ++c) {
            champs[c] = "#Fields:";
            for (const std::string& x : colonnes[c]) {
                champs[c] += (alea() % 3 == 0 ? " \t " : " ") + x;
            }
        }
        const char sep = alea() % 4 == 0 ? '\t' : ' ';
        std::vector<std::string> lignes;
        std::vector<int> enVigueur;
        int c = 0;
        for (int l = 0; l < 4; ++l) {
            if (l == 0 || alea() % 2 == 0) {
                c = static_cast<int>(alea() % 2);
                lignes.push_back(champs[c]);
                enVigueur.push_back(c);
            }
            std::string ligne = "2023-12-20";
            ligne += sep;
            ligne += "10:00:00";
            ligne += sep;
            ligne += "200";
            const std::size_t nb = colonnes[0].size() - 4 + alea() % 3;
            for (std::size_t k = 0; k < nb; ++k) {
                const std::string v = kValeurs[alea() % (l == 0 ? 7 : std::size(kValeurs))];
                ligne += sep + (sep == '\t' ? v : v == "\"b c\"" ? "\"bc\"" : v);
            }
            lignes.push_back(ligne);
            enVigueur.push_back(c);
        }
        const auto directives = DirectivesW3C::indexer(
            lignes.size(), [&](std::size_t i) { return std::string_view(lignes[i]); });
        LecteurLignes avecIndex(w3c, directives), seul(w3c), sans(w3c, directives);
        avecIndex.listerAutres(true);
        seul.listerAutres(true);
        for (std::size_t i = 0; i < lignes.size(); ++i) {
            const Lu u = lire(avecIndex, lignes[i], i);
            const Lu s = lire(seul, lignes[i], i);
            const Lu x = lire(sans, lignes[i], i);
            if (lignes[i][0] == '#') {
                ASSERT_EQ(u.lecture, Lecture::Directive);
                continue;
            }
            std::string autres, raison;
            const bool lue = couperW3CSimplement(colonnes[enVigueur[i]], lignes[i], autres, raison);
            ASSERT_EQ(u.lecture, lue ? Lecture::Requete : Lecture::NonConforme)
                << lignes[i] << " : " << u.raison;
            EXPECT_EQ(u.raison, lue ? "" : raison) << lignes[i];
            if (lue) {
                EXPECT_EQ(u.autres, autres) << lignes[i];
                EXPECT_EQ(u.statut, 200);
            }
            attendreMemeLecture(s, u, lignes[i]);
            EXPECT_EQ(s.autres, u.autres) << lignes[i];
            attendreMemeLecture(x, u, lignes[i]);
        }
    }
}
