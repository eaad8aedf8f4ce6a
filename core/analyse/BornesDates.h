// The earliest and latest requests of a journal and the days it spans, for the summary of readable
// results: a journal's lines need not come in time order (several servers' logs joined, a
// balancer's), so the first and last lines are not its bounds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrane {

class BornesDates {
  public:
    // One line's date and time as the record cuts them ("17/May/2015", "10:05:03"). The texts
    // are kept as views when they become a bound: they must stay readable until garder().
    void lire(std::string_view date, std::string_view heure);
    // Copies the bounds still kept as views: the lines' bytes may go after this.
    void garder();
    // Takes in the bounds of the lines read after these (both garder()'d); a tie keeps the
    // earlier line.
    void ajouter(const BornesDates& suite);

    // The date and time of the earliest and latest lines whose day and time read, as the log
    // writes them ("17/May/2015 10:05:03"); empty when no line's do.
    std::string premiere() const;
    std::string derniere() const;
    // Calendar days from the first day that reads to the last, both counted, days without a
    // line included (a line whose time does not read still has its day); 0 when none reads.
    int64_t nbJours() const;

  private:
    // The last date text read and its day, which the next lines of the same day reuse.
    std::string date_;
    bool dateLue_ = false, jourValide_ = false;
    int64_t jour_ = 0;
    bool jours_ = false;
    int64_t premierJour_ = 0, dernierJour_ = 0;
    bool instants_ = false;
    int64_t premiere_ = 0, derniere_ = 0;  // seconds since 1970, the zone left aside
    // Date and time of each bound: views until garder() copies them.
    std::string_view vuePremiere_[2], vueDerniere_[2];
    std::string textePremiere_[2], texteDerniere_[2];
};

}  // namespace kestrane
