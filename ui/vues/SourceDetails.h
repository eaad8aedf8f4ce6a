// The detail text of an analysis as a line source: the heading, then for each record its detail
// text, a line break, the 42-hyphen rule and two line breaks, all breaks CR LF. The text is never
// held whole: a line is produced from its record when it is shown, and export streams it.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/analyse/DetailLisible.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"
#include "ui/vues/VueTexte.h"

namespace kestrane {

inline constexpr std::string_view kTitreDetails = "RESULTAT DE L'ANALYSE";
inline constexpr std::string_view kRegleDetails = "------------------------------------------";

class SourceDetails : public SourceLignes {
  public:
    // Lines of the text split at its breaks: the heading, an empty line, kLignesParBloc per
    // record (its 13 detail lines, the rule, an empty line) and the empty line after the last
    // break, which the text ends with. In a format that may name the virtual host, one line
    // more per record: "Hôte virtuel"; with `numeros`, one more: the number in the journal loaded
    // of the record's line ("N° de ligne", from 1), `numeros` giving it for each line analysed.
    static constexpr std::size_t kLignesParBloc = 15;

    // Shows the first `nbEnregistrements` records of `enregistrements`. The source keeps its own
    // copy of the table, which shares the records and is not touched by later analyses.
    // `lisibles`: each browser and system named by the catalogue, as readable results name them.
    // `avant`: the source of the same records before the journal grew (TableauLog::prolonger),
    // whose widths are not measured again.
    SourceDetails(const TableauLog& enregistrements, std::size_t nbEnregistrements,
                  bool lisibles = false,
                  std::shared_ptr<const std::vector<std::size_t>> numeros = nullptr,
                  const SourceDetails* avant = nullptr);
    ~SourceDetails() override;

    std::size_t nbLignes() const override { return 3 + parBloc_ * nb_; }
    std::string ligne(std::size_t i) const override;
    std::size_t largeurMax() const override { return largeurMax_; }
    void ecrire(const std::function<void(std::string_view)>& ecrivain) const override;

  private:
    const TableauLog enregistrements_;
    std::size_t nb_;
    std::size_t largeurMax_ = 0;
    bool hote_ = false;
    std::shared_ptr<const std::vector<std::size_t>> numeros_;
    std::size_t parBloc_ = kLignesParBloc;
    // The detail text of record k, with its virtual host when the format may name one; its
    // browser and system named through `lisibles` when given.
    void ajouterDetail(std::string& s, std::size_t k, DetailsLisibles* lisibles) const;
    void ajouterChamps(std::string& s, std::size_t k, DetailsLisibles* lisibles) const;
    // The lines of the record painted last: a screen shows a few records, asked line by line.
    mutable std::mutex verrou_;
    mutable std::size_t enCache_ = SIZE_MAX;
    mutable std::vector<std::string> lignesEnCache_;
    // The names of the agents met by the lines painted (guarded by verrou_); null for raw results.
    std::unique_ptr<DetailsLisibles> lisibles_;
};

}  // namespace kestrane
