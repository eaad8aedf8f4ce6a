#include "core/audience/Robots.h"

#include "core/audience/Referents.h"
#include "core/audience/TexteUtf8.h"

namespace kestrane {

namespace {

bool separateur(char c) {
    return c == ' ' || c == ';' || c == '(' || c == ')' || c == ',' || c == '"' || c == '\t';
}

// Where the first of the robots' words starts in `agent`, or npos.
std::size_t motDeRobot(std::string_view agent) {
    static constexpr std::string_view kMots[] = {"bot",     "Bot",    "crawler",
                                                 "Crawler", "spider", "Spider"};
    std::size_t premier = std::string_view::npos;
    for (const std::string_view m : kMots) {
        const std::size_t p = agent.find(m);
        if (p < premier) premier = p;
    }
    return premier;
}

}  // namespace

bool robotParSonNom(std::string_view agent, std::string& nom) {
    const std::size_t p = motDeRobot(agent);
    if (p == std::string_view::npos) return false;
    std::size_t debut = p, fin = p;
    while (debut > 0 && !separateur(agent[debut - 1])) --debut;
    while (fin < agent.size() && !separateur(agent[fin])) ++fin;
    std::string_view mot = agent.substr(debut, fin - debut);
    while (!mot.empty() && mot.front() == '+') mot.remove_prefix(1);
    while (!mot.empty() && mot.back() == '+') mot.remove_suffix(1);
    const std::string hote = hoteReferent(mot);
    if (!hote.empty()) {
        nom = hote;
    } else {
        nom = texteUtf8(mot.substr(0, mot.find('/')));
    }
    if (nom.empty()) nom = texteUtf8(mot);
    return true;
}

bool reconnaitreRobot(const ReconnaitreRobot& catalogue, std::string_view agent, std::string& nom) {
    nom.clear();
    if (catalogue && catalogue(agent, nom)) {
        if (nom.empty()) {
            // A robot the catalogue knows but does not name: named by the rule, or by itself.
            if (!robotParSonNom(agent, nom)) nom = texteUtf8(agent);
        } else if (!estUtf8(nom)) {
            nom = texteUtf8(nom);
        }
        return true;
    }
    nom.clear();
    return robotParSonNom(agent, nom);
}

}  // namespace kestrane
