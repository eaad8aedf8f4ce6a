// The dates servers write, converted to the texts a record holds: the day "17/May/2015", the
// time "10:05:03" and the zone "+0000". A local time keeps its zone; epoch times and W3C dates
// are UTC.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestrane {

// The three texts of one converted date.
struct DateTexte {
    char jour[11];   // dd/Mon/yyyy
    char heure[8];   // hh:mm:ss
    char fuseau[5];  // +hhmm

    std::string_view date() const { return {jour, sizeof jour}; }
    std::string_view temps() const { return {heure, sizeof heure}; }
    std::string_view zone() const { return {fuseau, sizeof fuseau}; }
};

// "10/Oct/2000:13:55:36 -0700", as Apache's %t and nginx's $time_local write it: the three parts
// as views into `texte`. False when it is not a correct date of that form.
bool couperDateJournal(std::string_view texte, std::string_view& date, std::string_view& heure,
                       std::string_view& fuseau);

// ISO 8601: "2015-05-17T10:05:03", a fraction of second (dropped), then "Z", "+02:00", "+0200",
// "+02" or nothing (UTC); a blank may stand for the "T".
bool convertirIso8601(std::string_view texte, DateTexte& d);

// Time since 1970-01-01 UTC: digits with or without a fraction, `parSeconde` units a second (1 for
// seconds, 1000 for milliseconds...).
bool convertirEpoque(std::string_view texte, int64_t parSeconde, DateTexte& d);

// W3C: the date column "2015-05-17" and the time column "10:05:03" (a fraction dropped), UTC.
bool convertirDateW3C(std::string_view date, std::string_view heure, DateTexte& d);

// Any of the forms above, told apart by their look; a plain number is an epoch time whose unit
// (seconds to nanoseconds) is told by its number of digits.
bool convertirDateQuelconque(std::string_view texte, DateTexte& d);

// The date of a day counted from 1970-01-01, with the time of day in seconds and a zone offset in
// minutes. False outside the years 0 to 9999.
bool ecrireDate(int64_t jour, int64_t secondeDuJour, int32_t minutesZone, DateTexte& d);

}  // namespace kestrane
