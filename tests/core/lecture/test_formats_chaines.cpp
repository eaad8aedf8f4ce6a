// Format strings as pasted from a server's configuration, the offered formats and their lookup.
#include <gtest/gtest.h>

#include <string>

#include "core/lecture/FormatJournal.h"
#include "tests/core/lecture/OutilsFormats.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

constexpr std::string_view kCommune =
    "10.0.0.1 - bob [06/Dec/2006:10:15:32 +0100] \"GET /a.html HTTP/1.0\" 200 2326";

}  // namespace

TEST(ChaineFormat, ChainesRefuseesAvecLeurMessage) {
    const struct {
        std::string chaine;
        std::string message;
    } kCas[] = {
        {"%h %l %u %Z", "directive inconnue %Z (position 10)"},
        {"%h %l %u %t \\\"%r\\\" %>s %b %Z", "directive inconnue %Z (position 27)"},
        {"%h %{Referer}Q", "directive inconnue %{Referer}Q (position 4)"},
        {"%h %{Referer",
         "accolade non ferm\xE9"
         "e %{ (position 4)"},
        {"%h %>", "directive incompl\xE8te %> (position 4)"},
        {"%h%l", "champs sans s\xE9parateur %h%l (position 3)"},
        {"%h %i", "nom manquant entre accolades %i (position 4)"},
        {"%h %{foo}T", "unit\xE9 inconnue %{foo}T (position 4)"},
        {"", "cha\xEEne vide"},
        {"   ", "cha\xEEne vide"},
        {"- - [x]", "aucun champ"},
        {"$remote_addr $", "nom de variable manquant apr\xE8s $ (position 14)"},
        {"$remote_addr ${status",
         "accolade non ferm\xE9"
         "e ${ (position 14)"},
        {"$remote_addr $uri$status", "champs sans s\xE9parateur $uri$status (position 18)"},
        // Positions count in the text as pasted, its directive included.
        {"LogFormat \"%h %Z\" combined", "directive inconnue %Z (position 15)"},
        {"log_format main '$remote_addr $status '\n  '$a$b';",
         "champs sans s\xE9parateur $a$b (position 46)"},
    };
    for (const auto& c : kCas) {
        EXPECT_EQ(messageDe([&] { FormatJournal::depuisChaine(c.chaine); }),
                  "Format de journal incorrect : " + c.message)
            << c.chaine;
    }
}

TEST(ChaineFormat, LaChaineSeColleTelleQuelleOuDansSaDirective) {
    // The same common format, as each way of pasting it gives it.
    const char* kChaines[] = {
        "%h %l %u %t \"%r\" %>s %b",
        "%h %l %u %t \\\"%r\\\" %>s %b",
        "\"%h %l %u %t \\\"%r\\\" %>s %b\"",
        "LogFormat \"%h %l %u %t \\\"%r\\\" %>s %b\" common",
        "  %h %l %u %t \"%r\" %>s %b\n",
        "$remote_addr - $remote_user [$time_local] \"$request\" $status $body_bytes_sent",
        "'$remote_addr - $remote_user [$time_local] \"$request\" $status $body_bytes_sent'",
        "log_format main escape=json '$remote_addr - $remote_user [$time_local] '\n"
        "                '\"$request\" $status $body_bytes_sent';",
    };
    for (const char* chaine : kChaines) {
        const Lu u = lire(FormatJournal::depuisChaine(chaine), kCommune);
        ASSERT_EQ(u.lecture, Lecture::Requete) << chaine << " : " << u.raison;
        EXPECT_EQ(u.client, "10.0.0.1");
        EXPECT_EQ(u.logname, "bob");
        EXPECT_EQ(u.date, "06/Dec/2006");
        EXPECT_EQ(u.requete, "GET /a.html HTTP/1.0");
        EXPECT_EQ(u.octets, 2326);
    }
    EXPECT_EQ(FormatJournal::depuisChaine("  %h %b ").libelle(), "Personnalis\xE9 : %h %b");
}

TEST(ChaineFormat, DirectivesEtVariables) {
    const struct {
        const char* chaine;
        const char* ligne;
        const char* requete;
        int32_t statut;
        int64_t temps;
        const char* date;
        const char* autres;
    } kCas[] = {
        // Parts of the request joined; nginx's "$uri$is_args$args" is the path with its query.
        {"%h %m %U%q %H %>s", "1.2.3.4 GET /a?b=1 HTTP/1.1 200", "GET /a?b=1 HTTP/1.1", 200, -1,
         "-", ""},
        {"$remote_addr $request_method $uri$is_args$args $server_protocol $status",
         "1.2.3.4 GET /a?b=1 HTTP/2.0 200", "GET /a?b=1 HTTP/2.0", 200, -1, "-", ""},
        {"$remote_addr $request_method $uri $args $status", "1.2.3.4 GET /a b=1 200", "GET /a?b=1",
         200, -1, "-", ""},
        // Each pair joined, the first path kept; a path and a query apart stay two fields.
        {"%h %U%q %U%q %U %q %>s", "1.2.3.4 /a?b=1 /c?d /e f 200", "/a?b=1", 200, -1, "-", ""},
        {"$remote_addr $uri$args $uri$is_args$args $status", "1.2.3.4 /a?x /c?d 200", "/a?x", 200,
         -1, "-", ""},
        // The final status over the original one, whatever their order.
        {"%h %s %>s", "1.2.3.4 302 200", "-", 200, -1, "-", ""},
        {"%h %>s %s", "1.2.3.4 200 302", "-", 200, -1, "-", ""},
        // Response times: %D microseconds, %T seconds, %{ms}T milliseconds; the finest wins.
        {"%h %>s %D", "1.2.3.4 200 1500", "-", 200, 1500, "-", ""},
        {"%h %>s %T", "1.2.3.4 200 2", "-", 200, 2000000, "-", ""},
        // Beyond 64 bits of microseconds, or not a number: unknown, and the line reads.
        {"%h %>s %T", "1.2.3.4 200 99999999999999", "-", 200, -1, "-", ""},
        {"%h %>s %D", "1.2.3.4 200 -", "-", 200, -1, "-", ""},
        {"%h %>s %{ms}T %T", "1.2.3.4 200 25 0", "-", 200, 25000, "-", ""},
        {"$remote_addr $status $upstream_response_time $request_time", "1.2.3.4 200 0.004 0.010",
         "-", 200, 10000, "-", ""},
        // Times in other forms, blanks inside them included.
        {"%h [%{%Y-%m-%d %H:%M:%S}t] %>s", "1.2.3.4 [2015-05-17 10:05:03] 200", "-", 200, -1,
         "17/May/2015", ""},
        {"%h %{sec}t %>s", "1.2.3.4 1431857103 200", "-", 200, -1, "17/May/2015", ""},
        {"%h %{msec}t %>s", "1.2.3.4 1431857103123 200", "-", 200, -1, "17/May/2015", ""},
        {"$remote_addr $msec $status", "1.2.3.4 1431857103.123 200", "-", 200, -1, "17/May/2015",
         ""},
        // Other fields by their names; "%%" is a percent sign; status conditions are allowed.
        {"%h \"%{X-Forwarded-For}i\" %>s %I", "1.2.3.4 \"5.6.7.8, 9.9.9.9\" 200 312", "-", 200, -1,
         "-", "%{X-Forwarded-For}i=5.6.7.8, 9.9.9.9;%I=312;"},
        {"%h 100%% %>s", "1.2.3.4 100% 200", "-", 200, -1, "-", ""},
        {"%h %>s \"%400,501{User-agent}i\"", "1.2.3.4 200 \"-\"", "-", 200, -1, "-", ""},
        {"$remote_addr $status $upstream_addr", "1.2.3.4 200 10.0.0.9:80", "-", 200, -1, "-",
         "$upstream_addr=10.0.0.9:80;"},
    };
    for (const auto& c : kCas) {
        const Lu u = lire(FormatJournal::depuisChaine(c.chaine), c.ligne);
        ASSERT_EQ(u.lecture, Lecture::Requete) << c.chaine << " : " << u.raison;
        EXPECT_EQ(u.client, "1.2.3.4") << c.chaine;
        EXPECT_EQ(u.requete, c.requete) << c.chaine;
        EXPECT_EQ(u.statut, c.statut) << c.chaine;
        EXPECT_EQ(u.temps, c.temps) << c.chaine;
        EXPECT_EQ(u.date, c.date) << c.chaine;
        EXPECT_EQ(u.autres, c.autres) << c.chaine;
    }
}

TEST(ChaineFormat, UnCheminSansMethodeNiProtocoleEstLeFichierCharge) {
    const Lu u = lire(FormatJournal::depuisChaine("%h %U %>s"), "1.2.3.4 /a/b.html 200");
    EXPECT_EQ(u.requete, "/a/b.html");
    EXPECT_EQ(u.fichier, "/a/b.html");
    const Lu v = lire(FormatJournal::depuisChaine("%h %>s"), "1.2.3.4 200");
    EXPECT_EQ(v.requete, "-");
    EXPECT_EQ(v.fichier, extraireFichier("-"));
    EXPECT_EQ(v.provenance, "-");
    EXPECT_EQ(v.navigateur, "-");
    EXPECT_EQ(v.date, "-");
}

TEST(FormatsProposes, ListeEtRecherche) {
    const auto liste = formatsProposes();
    ASSERT_EQ(liste.size(), 9u);
    EXPECT_EQ(liste[0].libelle,
              "Combin\xE9 (par d\xE9"
              "faut)");
    EXPECT_EQ(liste[1].type, TypeFormat::Automatique);
    EXPECT_EQ(liste[8].type, TypeFormat::Personnalise);
    const struct {
        const char* texte;
        TypeFormat type;
    } kCas[] = {
        {"combine", TypeFormat::Defaut},
        {"AUTO", TypeFormat::Automatique},
        {"vhost", TypeFormat::HoteVirtuel},
        {"Combin\xE9 avec h\xF4te virtuel", TypeFormat::HoteVirtuel},
        {"Combiné avec hôte virtuel", TypeFormat::HoteVirtuel},  // UTF-8, from a command line
        {"nginx-hote", TypeFormat::NginxHote},
        {"combine-plus", TypeFormat::CombineSuivi},
        {"w3c", TypeFormat::W3C},
        {"JSON", TypeFormat::Json},
        {"Personnalisé", TypeFormat::Personnalise},
    };
    for (const auto& c : kCas) {
        const FormatPropose* f = trouverFormatPropose(c.texte);
        ASSERT_NE(f, nullptr) << c.texte;
        EXPECT_EQ(f->type, c.type) << c.texte;
    }
    EXPECT_EQ(trouverFormatPropose("inconnu"), nullptr);
    EXPECT_EQ(trouverFormatPropose(""), nullptr);
    EXPECT_EQ(FormatJournal::propose(TypeFormat::W3C).libelle(), "W3C \xE9tendu (IIS)");
    EXPECT_TRUE(FormatJournal().estDefaut());
}

TEST(FormatsProposes, ResoudreUnChoixDeLaLigneDeCommande) {
    EXPECT_FALSE(resoudreFormat("auto").has_value());
    EXPECT_EQ(resoudreFormat("commun")->type(), TypeFormat::Commun);
    const auto f = resoudreFormat("%h %>s");
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->type(), TypeFormat::Personnalise);
    EXPECT_EQ(messageDe([] { resoudreFormat("%h %Z"); }),
              "Format de journal incorrect : directive inconnue %Z (position 4)");
    EXPECT_EQ(messageDe([] { resoudreFormat("Personnalis\xE9"); }),
              "Format de journal incorrect : cha\xEEne attendue");
    EXPECT_NE(messageDe([] { FormatJournal::propose(TypeFormat::Automatique); }), "");
}

TEST(CorrespondanceJson, LectureDUneCorrespondanceDeLUtilisateur) {
    const CorrespondanceJson c =
        lireCorrespondanceJson(" statut = code ;temps=quand\nagent=req.ua[0]\n\n");
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].chemin, "code");
    EXPECT_EQ(c[0].champ, ChampJournal::Statut);
    EXPECT_EQ(c[2].chemin, "req.ua[0]");
    EXPECT_EQ(c[2].champ, ChampJournal::Agent);
    const struct {
        const char* texte;
        const char* message;
    } kErreurs[] = {
        {"statut", "\xAB = \xBB manquant dans 'statut'"},
        {"truc=x", "champ inconnu 'truc'"},
        {"statut=", "cl\xE9 manquante pour 'statut'"},
        {" ; \n", "aucune cl\xE9"},
    };
    for (const auto& e : kErreurs) {
        EXPECT_EQ(messageDe([&] { lireCorrespondanceJson(e.texte); }),
                  std::string("Format de journal incorrect : ") + e.message);
    }
}
