// The command line's --format option.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/analyse/ServiceAnalyse.h"

namespace kestrane {

// Sets the format of `options` from the value of --format: an offered format's name or caption,
// "auto", or an Apache LogFormat / nginx log_format string. The message (UTF-8) when the value
// cannot be used; the options are then unchanged.
std::optional<std::string> choisirFormat(std::string_view texte, OptionsAnalyse& options);

// "format : Commun (détecté)" for the summary line (Windows-1252).
std::string texteFormatCourt(const ResultatAnalyse& r);

}  // namespace kestrane
