#include "core/analyse/AnalyseProlongee.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "core/analyse/Comptage.h"
#include "core/analyse/Decomptes.h"
#include "core/analyse/PeriodeLignes.h"
#include "core/journal/DeuxFils.h"

namespace kestrane {

AnalyseProlongee::AnalyseProlongee(Journal charge, OptionsAnalyse options,
                                   std::unique_ptr<Comptage> comptes,
                                   const ResultatAnalyse& resultat)
    : charge_(std::move(charge)), options_(std::move(options)), comptes_(std::move(comptes)) {
    if (comptes_) comptes_->reprendre();
    retenir(resultat);
}

void AnalyseProlongee::retenir(const ResultatAnalyse& r) {
    // A journal short enough to be read in one stretch leaves counts that cannot take others in
    // (Comptage::fusionner): it is analysed again, which costs little, until it is long enough.
    if (r.journal.nbLignes() < kSeuilDeuxFilsLignes) comptes_.reset();
    analysees_ = r.journal;
    enregistrements_ = r.enregistrements;
    format_ = r.format;
    formatAutomatique_ = r.formatAutomatique;
}

AnalyseProlongee::~AnalyseProlongee() = default;
AnalyseProlongee::AnalyseProlongee(AnalyseProlongee&&) noexcept = default;
AnalyseProlongee& AnalyseProlongee::operator=(AnalyseProlongee&&) noexcept = default;

bool AnalyseProlongee::enPlace() const {
    // The counts are those of the loaded journal's every line, read in the default format; its
    // last line was whole (new bytes would otherwise complete a line already counted).
    return comptes_ && !choisitDesLignes(options_) && format_.estDefaut() &&
           charge_.finitParSautDeLigne() && analysees_.identite() == charge_.identite() &&
           analysees_.nbLignes() == charge_.nbLignes() && enregistrements_.couvre(charge_);
}

AnalyseProlongee::Bilan AnalyseProlongee::prolonger(std::string_view octets, ResultatAnalyse& r) {
    const Journal plusLong = charge_.prolonger(octets);
    if (!enPlace()) return analyserDeNouveau(plusLong, r);
    const std::size_t n0 = charge_.nbLignes(), n1 = plusLong.nbLignes();
    Bilan b;
    b.nouvelles = n1 - n0;

    // The records first: a new line that does not parse raises before the counts change. The
    // journal keeps its lines all the same (an analysis of it raises that line's error).
    TableauLog enregistrements = enregistrements_;
    try {
        enregistrements.prolonger(plusLong, options_.ignorerNonConformes ? examinerLigne : nullptr);
    } catch (...) {
        charge_ = plusLong;
        throw;
    }
    // Past the records, a failure (memory, a sum past its range) leaves counts that the next
    // prolongation does not trust: it analyses the whole again.
    try {
        return compterLesNouvelles(plusLong, std::move(enregistrements), r, b);
    } catch (...) {
        charge_ = plusLong;
        comptes_.reset();
        throw;
    }
}

AnalyseProlongee::Bilan AnalyseProlongee::compterLesNouvelles(const Journal& plusLong,
                                                              TableauLog enregistrements,
                                                              ResultatAnalyse& r, Bilan b) {
    const std::size_t n0 = charge_.nbLignes(), n1 = plusLong.nbLignes();
    Comptage suite(options_, format_);
    suite.commencer(plusLong);
    std::vector<std::string_view> lignes;
    lignes.reserve(n1 - n0);
    for (std::size_t i = n0; i < n1; ++i) lignes.push_back(plusLong.ligne(i));
    const Comptage::Bilan compte = suite.compter(lignes, plusLong.octets(), n0);
    if (compte.erreur) std::rethrow_exception(compte.erreur);
    comptes_->fusionner(suite);

    ResultatAnalyse neuf;
    neuf.journal = plusLong;
    neuf.lignesJournal = n1;
    neuf.format = format_;
    neuf.formatAutomatique = formatAutomatique_;
    neuf.enregistrements = enregistrements;
    if (enregistrements.souple()) neuf.retenues = enregistrements;
    if (!tablesDesComptes(comptes_->statistiques(), neuf.lignes().nbLignes(),
                          options_.largeurTranches, neuf.tables, &neuf.listes) ||
        comptes_->octetsIncertains()) {
        // Only the lines read in order can tell: the merged counts are of no further use.
        comptes_.reset();
        return analyserDeNouveau(plusLong, r);
    }
    neuf.periodeChoisie = std::string(kPeriodeToutLeFichier);
    neuf.enPlus = comptes_->tablesEnPlus();
    comptes_->completer(neuf, std::nullopt);
    retenir(neuf);
    r = std::move(neuf);
    charge_ = plusLong;
    return b;
}

AnalyseProlongee::Bilan AnalyseProlongee::analyserDeNouveau(const Journal& plusLong,
                                                            ResultatAnalyse& r) {
    Bilan b;
    b.relue = true;
    b.nouvelles = plusLong.nbLignes() - std::min(plusLong.nbLignes(), charge_.nbLignes());
    ResultatAnalyse neuf;
    std::unique_ptr<Comptage> comptes;
    SuiviAnalyse sansSuivi;
    charge_ = plusLong;
    comptes_.reset();
    b.issue = analyserJournal(plusLong, options_, neuf, sansSuivi, &comptes);
    if (b.issue != IssueAnalyse::terminee) return b;
    comptes_ = std::move(comptes);
    if (comptes_) comptes_->reprendre();
    retenir(neuf);
    r = std::move(neuf);
    return b;
}

}  // namespace kestrane
