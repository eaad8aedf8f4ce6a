#include "ui/vues/SourceDetails.h"

#include <algorithm>
#include <string>

#include "core/journal/Messages.h"
#include "core/lecture/LectureFormatee.h"

namespace kestrane {

namespace {

// The widest detail line is a label followed by a field of the log line, never longer than the
// line itself.
constexpr std::size_t kLargeurEtiquette = 32;

}  // namespace

SourceDetails::SourceDetails(const TableauLog& enregistrements, std::size_t nbEnregistrements,
                             bool lisibles, std::shared_ptr<const std::vector<std::size_t>> numeros,
                             const SourceDetails* avant)
    : enregistrements_(enregistrements),
      nb_(std::min(nbEnregistrements, enregistrements.taille())),
      hote_(porteHote(enregistrements.format())),
      numeros_(std::move(numeros)),
      parBloc_(kLignesParBloc + (hote_ ? 1 : 0) + (numeros_ ? 1 : 0)),
      lisibles_(lisibles ? std::make_unique<DetailsLisibles>(!porteAgent(enregistrements.format()))
                         : nullptr) {
    const Journal& journal = enregistrements_.journal();
    std::size_t plusLongue = 0, k0 = 0;
    if (avant && avant->nb_ <= nb_) {
        plusLongue = avant->largeurMax_ - kLargeurEtiquette;
        k0 = avant->nb_;
    }
    for (std::size_t k = k0; k < nb_; ++k) {
        // The line record k was made from: with lines skipped, not line k.
        const std::size_t i = enregistrements_.numeroLigne(k);
        if (i >= journal.nbLignes()) break;
        plusLongue = std::max(plusLongue, journal.debutLigne(i + 1) - journal.debutLigne(i));
    }
    largeurMax_ = std::max(kRegleDetails.size(), plusLongue + kLargeurEtiquette);
}

std::string SourceDetails::ligne(std::size_t i) const {
    if (i == 0) return std::string(kTitreDetails);
    if (i < 2 || i >= nbLignes() - 1) return {};
    const std::size_t bloc = (i - 2) / parBloc_;
    const std::size_t rang = (i - 2) % parBloc_;
    if (rang == parBloc_ - 2) return std::string(kRegleDetails);
    if (rang == parBloc_ - 1) return {};

    std::lock_guard garde(verrou_);
    if (enCache_ != bloc) {
        std::string texte;
        ajouterDetail(texte, bloc, lisibles_.get());
        lignesEnCache_.clear();
        std::size_t debut = 0;
        for (;;) {
            const std::size_t fin = texte.find("\r\n", debut);
            lignesEnCache_.push_back(texte.substr(debut, fin - debut));
            if (fin == std::string::npos) break;
            debut = fin + 2;
        }
        enCache_ = bloc;
    }
    return rang < lignesEnCache_.size() ? lignesEnCache_[rang] : std::string();
}

SourceDetails::~SourceDetails() = default;

void SourceDetails::ajouterDetail(std::string& s, std::size_t k, DetailsLisibles* lisibles) const {
    ajouterChamps(s, k, lisibles);
    if (!numeros_) return;
    const std::size_t i = enregistrements_.numeroLigne(k);
    s += "\r\n";
    s += kDetailNumeroLigne;
    if (i < numeros_->size()) s += std::to_string((*numeros_)[i] + 1);
}

void SourceDetails::ajouterChamps(std::string& s, std::size_t k, DetailsLisibles* lisibles) const {
    if (!hote_ && !lisibles) {
        ajouterDetailLog(s, enregistrements_[k]);
        return;
    }
    ChampsEnPlus plus;
    const RLog r = enregistrements_.lire(k, &plus);
    if (lisibles) {
        const std::string_view ligne =
            enregistrements_.journal().ligne(enregistrements_.numeroLigne(k));
        lisibles->ajouter(s, r, agentDuRecord(r, ligne, &plus));
    } else {
        ajouterDetailLog(s, r);
    }
    if (!hote_) return;
    s += "\r\nH\xF4te virtuel    : ";
    s += plus.hoteVirtuel;
}

void SourceDetails::ecrire(const std::function<void(std::string_view)>& ecrivain) const {
    std::string paquet;
    paquet.reserve((1u << 20) + 4096);
    paquet += kTitreDetails;
    paquet += "\r\n\r\n";
    // Its own names: the view may paint meanwhile, from another thread.
    std::unique_ptr<DetailsLisibles> lisibles;
    if (lisibles_)
        lisibles = std::make_unique<DetailsLisibles>(!porteAgent(enregistrements_.format()));
    for (std::size_t k = 0; k < nb_; ++k) {
        ajouterDetail(paquet, k, lisibles.get());
        paquet += "\r\n";
        paquet += kRegleDetails;
        paquet += "\r\n\r\n";
        if (paquet.size() >= (1u << 20)) {
            ecrivain(paquet);
            paquet.clear();
        }
    }
    ecrivain(paquet);
}

}  // namespace kestrane
