#include "core/journal/Assemblage.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "core/journal/Calendrier.h"
#include "core/journal/Chemins.h"
#include "core/journal/Memoire.h"

namespace kestrane {

namespace {

// "dd/Mon/yyyy:hh:mm:ss[ +hhmm]" at `p`: a real date, as every other reading of the program.
std::optional<int64_t> dateA(std::string_view t, std::size_t p) {
    int32_t a, m, j;
    if (p + 20 > t.size() || !lireDate(t.substr(p, 11), a, m, j) || t[p + 11] != ':') {
        return std::nullopt;
    }
    // A server may log a leap second, "23:59:60": its line still dates the file, as the second
    // after :59. The rest of the program, which counts hours and days, refuses it.
    char heure[8];
    std::memcpy(heure, t.data() + p + 12, 8);
    const bool intercalaire = heure[6] == '6' && heure[7] == '0';
    if (intercalaire) std::memcpy(heure + 6, "59", 2);
    int64_t secondes;
    if (!lireHeure(std::string_view(heure, 8), secondes)) return std::nullopt;
    secondes += joursDepuisEpoque(a, m, j) * kSecondesParJour + intercalaire;
    const std::size_t z = p + 20;
    const int64_t zh = lireChiffres(t, z + 2, 2), zm = lireChiffres(t, z + 4, 2);
    if (z + 6 <= t.size() && t[z] == ' ' && (t[z + 1] == '+' || t[z + 1] == '-') && zh >= 0 &&
        zm >= 0) {
        const int64_t decalage = zh * 3600 + zm * 60;
        secondes += t[z + 1] == '+' ? -decalage : decalage;
    }
    return secondes;
}

}  // namespace

std::optional<int64_t> dateDeLigne(std::string_view ligne) {
    for (std::size_t p = ligne.find('['); p != std::string_view::npos; p = ligne.find('[', p + 1)) {
        if (auto d = dateA(ligne, p + 1)) return d;
    }
    return std::nullopt;
}

std::vector<std::size_t> ordreChronologique(const std::vector<std::optional<int64_t>>& dates) {
    std::vector<int64_t> cles(dates.size());
    int64_t precedente = std::numeric_limits<int64_t>::min();
    for (std::size_t i = 0; i < dates.size(); ++i) {
        if (dates[i]) precedente = *dates[i];
        cles[i] = precedente;
    }
    std::vector<std::size_t> ordre(dates.size());
    for (std::size_t i = 0; i < ordre.size(); ++i) ordre[i] = i;
    std::stable_sort(ordre.begin(), ordre.end(),
                     [&](std::size_t a, std::size_t b) { return cles[a] < cles[b]; });
    return ordre;
}

Journal joindreJournaux(const std::vector<Journal>& journaux,
                        const std::vector<std::size_t>& ordre) {
    // The break added after each file, if any, decided once for the size and the copy.
    std::vector<bool> saut(ordre.size(), false);
    std::size_t total = 0;
    std::size_t dernier = ordre.size();  // the last file that holds anything
    for (std::size_t k = 0; k < ordre.size(); ++k) {
        const std::string_view o = journaux[ordre[k]].octets();
        if (o.empty()) continue;
        if (dernier < ordre.size()) {
            const std::string_view avant = journaux[ordre[dernier]].octets();
            const bool finCR = avant.back() == '\r';
            if (!(avant.back() == '\n' || finCR) || (finCR && o.front() == '\n')) {
                saut[dernier] = true;
                ++total;
            }
        }
        total += o.size();
        dernier = k;
    }
    auto bloc = std::make_unique<BlocMemoire>(total);
    char* d = bloc->donnees();
    for (std::size_t k = 0; k < ordre.size(); ++k) {
        const std::string_view o = journaux[ordre[k]].octets();
        if (!o.empty()) std::memcpy(d, o.data(), o.size());
        d += o.size();
        if (saut[k]) *d++ = '\n';
    }
    return Journal::depuisBloc(std::move(bloc), total);
}

JournauxCharges chargerJournaux(const std::vector<std::string>& chemins,
                                std::atomic<uint64_t>* lus) {
    SuiviChargement suivi;
    suivi.lus = lus;
    return chargerJournaux(chemins, suivi);
}

JournauxCharges chargerJournaux(const std::vector<std::string>& chemins,
                                const SuiviChargement& suivi) {
    JournauxCharges r;
    sansDoublons(chemins, &r.ecartes);
    // gardes[k]: the index among the paths given of the k-th file loaded.
    std::vector<std::size_t> gardes;
    for (std::size_t k = 0, e = 0; k < chemins.size(); ++k) {
        if (e < r.ecartes.size() && r.ecartes[e] == k) {
            ++e;
        } else {
            gardes.push_back(k);
        }
    }
    if (gardes.size() == 1) {
        r.journal = Journal::charger(chemins[gardes[0]], suivi);
        r.ordre = gardes;
        r.nbLignes = {r.journal.nbLignes()};
        return r;
    }
    std::vector<Journal> journaux;
    std::vector<std::optional<int64_t>> dates;
    uint64_t total = 0;
    for (const std::size_t k : gardes) {
        journaux.push_back(Journal::charger(chemins[k], suivi));
        const Journal& j = journaux.back();
        total += j.octets().size() + 1;
        dates.push_back(j.nbLignes() > 0 ? dateDeLigne(j.ligne(0)) : std::nullopt);
    }
    // The joined copy, beside the files loaded, with its line index.
    const uint64_t libre = suivi.memoireLibre ? suivi.memoireLibre() : memoireDisponible();
    if (total + total / 8 > libre) leverMemoireDepassee(false, libre);
    const std::vector<std::size_t> ordre = ordreChronologique(dates);
    for (const std::size_t k : ordre) {
        r.ordre.push_back(gardes[k]);
        r.nbLignes.push_back(journaux[k].nbLignes());
    }
    r.journal = joindreJournaux(journaux, ordre);
    return r;
}

}  // namespace kestrane
