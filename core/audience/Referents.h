// What a referrer says: the site the visitor came from, and the terms searched when that site
// is a search engine. Hosts and terms come out in UTF-8 (see TexteUtf8.h).
#pragma once

#include <string>
#include <string_view>

namespace kestrane {

// The authority of a referrer as written: after "scheme://" (or a leading "//") up to the first
// "/", "?" or "#"; empty when the referrer has none ("-", "about:blank", "/page.html").
std::string_view autoriteReferent(std::string_view referent);

// The host of an authority as the "Sites référents" table lists it: the bytes written "%NN", or
// "\xNN" by a server (Apache, nginx), made bytes again, without user, port and final dot, in lower
// case, without a leading "www."; an internationalised name in Unicode ("xn--caf-dma.fr" and
// "CAFÉ.fr" are "café.fr"). Empty when nothing is left.
std::string hoteDeLAutorite(std::string_view autorite);
// The two above in one.
std::string hoteReferent(std::string_view referent);

// Whether a host (as hoteDeLAutorite gives it) is one of Google, Bing, Yahoo, Yandex, Baidu,
// DuckDuckGo, Qwant or Ecosia: the engine's name as a label followed by one or two short labels
// ("google.fr", "google.co.uk", "fr.search.yahoo.com"), so that "google.example.org" is not one.
bool moteurRecherche(std::string_view hote);

// The value, still encoded, of the first search parameter (q, p, text, wd or query) of the
// referrer's query that is not empty; empty when there is none.
std::string_view rechercheBrute(std::string_view referent);

// Search terms as the "Recherches" table lists them: "+", "%XX" and "\xNN" decoded, the bytes read
// as UTF-8 (as Windows-1252 when they are not UTF-8), lower case, every run of blanks or control
// characters one space, none at either end.
std::string termesRecherche(std::string_view valeurBrute);

}  // namespace kestrane
