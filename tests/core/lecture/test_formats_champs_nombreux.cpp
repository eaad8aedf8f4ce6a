// Lines of many fields: the other fields listed only when asked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/lecture/LecteurLignes.h"
#include "tests/core/lecture/OutilsFormats.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

void attendreMemeLecture(const Lu& a, const Lu& b, std::string_view ligne) {
    EXPECT_EQ(a.lecture, b.lecture) << ligne;
    EXPECT_EQ(a.raison, b.raison) << ligne;
    EXPECT_EQ(a.client, b.client) << ligne;
    EXPECT_EQ(a.statut, b.statut) << ligne;
    EXPECT_EQ(a.temps, b.temps) << ligne;
    EXPECT_EQ(a.port, b.port) << ligne;
}

}  // namespace

TEST(ChampsNombreux, SansLesAutresChampsLaLectureEstLaMeme) {
    // W3C columns and JSON keys that feed no field of the record: not listed, and no value of
    // theirs makes a line fail (a JSON string with an escape that does not read included).
    const FormatJournal w3c = FormatJournal::propose(TypeFormat::W3C);
    const FormatJournal json = FormatJournal::json(lireCorrespondanceJson(
        "temps=time; statut=status; requete=request; autre=x; autre=y.z; client=ip"));
    const struct {
        const FormatJournal* format;
        std::vector<std::string> lignes;
        const char* autres;
    } kCas[] = {
        {&w3c,
         {"#Fields: date time c-ip s-ip cs-method cs-uri-stem sc-status x-a",
          "2023-12-20 10:00:00 1.2.3.4 5.6.7.8 GET /a 200 \"b c\""},
         "s-ip=5.6.7.8;x-a=b c;"},
        {&json,
         {"{\"time\":\"10/Oct/2000:13:55:36 -0700\",\"status\":200,\"request\":\"GET / HTTP/1.1\","
          "\"x\":\"\\u00e9\\q\",\"y\":{\"z\":[1]},\"ip\":\"1.2.3.4\"}"},
         ""},
        {&json,
         {"{\"time\":\"10/Oct/2000:13:55:36 -0700\",\"status\":200,\"request\":\"GET / HTTP/1.1\","
          "\"x\":\"a\\tb\",\"y\":{\"z\":7},\"ip\":\"1.2.3.4\"}"},
         "x=a\\tb;y.z=7;"},
    };
    for (const auto& c : kCas) {
        LecteurLignes avec(*c.format), sans(*c.format);
        avec.listerAutres(true);
        Lu a, s;
        for (std::size_t i = 0; i < c.lignes.size(); ++i) {
            a = lire(avec, c.lignes[i], i);
            s = lire(sans, c.lignes[i], i);
            EXPECT_TRUE(sans.enPlus().autres.empty());
        }
        ASSERT_EQ(a.lecture, Lecture::Requete) << a.raison;
        attendreMemeLecture(a, s, c.lignes.back());
        EXPECT_EQ(a.client, "1.2.3.4");
        EXPECT_EQ(a.autres, c.autres);
    }
}
