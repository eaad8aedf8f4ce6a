// The audience's part of the report, beside the supplementary tables.
#pragma once

#include "core/analyse/Complements.h"
#include "core/audience/Audience.h"
#include "core/export/Export.h"

namespace kestrane {

// The columns "Visiteurs uniques" and "Visites" added to the table of days (`c.jours`' rows, then
// the row of the requests without a readable date, whose requests are in no visit).
void ajouterVisiteursParJour(TableExportee& jours, const Complements& c, const Audience& a);

}  // namespace kestrane
