// The log record, the parser of one journal line, the three classifiers and the detail text of a
// record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/journal/Messages.h"

namespace kestrane {

// One request of the journal. The texts are views into the parsed line or into constant
// texts of the program: the line must outlive the record.
struct RLog {
    int32_t ip1 = 0, ip2 = 0, ip3 = 0, ip4 = 0;
    // The client as written when it is no dotted address (a name, IPv6), which only an analysis
    // that skips non-conforming lines reads; empty when the four numbers are the address.
    std::string_view adresse;
    std::string_view autre, logname, date, heure, fuseau, requete;
    std::string_view fichierCharge, pagePrecedente, navigateur, systeme;
    int32_t codeRenvoye = 0;
    int64_t chargement = 0;  // bytes: a response may pass 2 GiB
};

// Loaded file out of the request line: from after the last blank that follows a "T" (or from
// the fifth character) to before the last blank.
std::string_view extraireFichier(std::string_view requete);
// Browser or robot: the user agent before its last "(".
std::string_view extraireNavigateur(std::string_view agent);
// Operating system: the item after the second semicolon (or the first), renamed for
// Windows NT 5.0 and 5.1; "-" without a semicolon.
std::string_view extraireSysteme(std::string_view agent);

// What a parse makes of the user agent: the browser and the system cut from it, as the tables of
// systems and browsers read them, or, for counts that read the agent themselves, the whole agent
// in `navigateur` (it starts where the browser does) and no system, which spares both cuts.
enum class CoupeAgent { navigateurEtSysteme, agentEntier };

// Why an empty line is skipped, or stops an analysis outside the window's described reading:
// kLigneVide (Messages.h).

// Cuts one journal line (without its break) into a record. Raises
// "'%s' n'est pas une valeur entière correcte" when a number does not convert.
RLog analyserLigne(std::string_view ligne, CoupeAgent coupe = CoupeAgent::navigateurEtSysteme);

// The same cut for an analysis that skips the lines that do not conform: a client that is no
// dotted address (the four numbers read as analyserLigne reads them) is the text before the
// first blank, kept in `adresse`; the rest of the line is cut as analyserLigne cuts it, except
// that a quote escaped as Apache writes it (\" inside the request, the referrer or the agent,
// \\ for a backslash) does not end its field: a client cannot forge the fields after its request.
// A byte count must also be no negative number (a server sends none). False when a number still
// does not convert, with the text that failed in `fautif` ("-" for a missing field), and `r`
// then incomplete; no error is raised.
bool analyserLigneSouple(std::string_view ligne, RLog& r, std::string_view& fautif,
                         CoupeAgent coupe = CoupeAgent::navigateurEtSysteme);

// Whether the line begins with a client that analyserLigne reads (four numbers), rather than an
// IPv6 address or a host name, which only analyserLigneSouple takes.
bool adressePointee(std::string_view ligne);

// Thirteen labelled lines joined by CR LF, no break after the last.
std::string detailLog(const RLog& r);
// The same text appended to `sortie`.
void ajouterDetailLog(std::string& sortie, const RLog& r);

// The client address text: the four numbers in decimal joined by ".", or the client's text when
// it is no dotted address.
std::string adresseIP(const RLog& r);
void ajouterAdresse(std::string& sortie, const RLog& r);
void ajouterAdresseIP(std::string& sortie, int32_t a, int32_t b, int32_t c, int32_t d);

}  // namespace kestrane
