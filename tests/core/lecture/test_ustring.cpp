#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Erreur.h"
#include "core/lecture/UString.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;
using namespace std::string_view_literals;

TEST(ExtraireChamp, CoupeAvantLeSeparateurEtLeRetire) {
    std::string_view reste = "abc def";
    EXPECT_EQ(extraireChamp(" ", reste), "abc");
    EXPECT_EQ(reste, "def");
    EXPECT_EQ(extraireChamp(" ", reste), "def");
    EXPECT_EQ(reste, "");
    EXPECT_EQ(extraireChamp(" ", reste), "-");
}

TEST(ExtraireChamp, Cas) {
    struct Cas {
        std::string_view separateur, ligne, champ, reste;
    };
    const Cas cas[] = {
        {".", "192.168.1.20 -", "192", "168.1.20 -"},
        // A separator at the very front gives "-" and is removed.
        {" ", " abc", "-", "abc"},
        {".", "..", "-", "."},
        // Without the separator the whole remainder is the field.
        {" ", "abc", "abc", ""},
        {" ", "", "-", ""},
        {":", "06/Dec/2006:10:15:32 +0100", "06/Dec/2006", "10:15:32 +0100"},
        // Multi-character separators: only the whole separator counts.
        {"] ", "+0100] \"GET /", "+0100", "\"GET /"},
        {"] ", "a]b] c", "a]b", "c"},
        {"] ", "abc]", "abc]", ""},
        {"] ", "]", "]", ""},
        {"] ", "] ", "-", ""},
        {"\" ", "GET / HTTP/1.1\" 200 5", "GET / HTTP/1.1", "200 5"},
        {"\" ", "a\"b\" c", "a\"b", "c"},
        {"\" ", "a\"\"  c", "a\"", " c"},
        {"\" ", "\" \" ", "-", "\" "},
        {"\"", "\"", "-", ""},
        {"ab", "aab", "a", ""},
        {"aab", "aaab", "a", ""},
        // NUL is an ordinary byte.
        {".", "a\0b.c"sv, "a\0b"sv, "c"},
        {"\0 "sv, "x\0\0 y"sv, "x\0"sv, "y"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(testing::Message()
                     << "separateur '" << c.separateur << "', ligne '" << c.ligne << "'");
        std::string_view reste = c.ligne;
        EXPECT_EQ(extraireChamp(c.separateur, reste), c.champ);
        EXPECT_EQ(reste, c.reste);
    }
}

// Quoted fields as Apache writes them: \" and \\ inside; an escaped quote ends nothing.
TEST(ExtraireChampEchappe, Cas) {
    struct Cas {
        std::string_view separateur, ligne, champ, reste;
    };
    const Cas cas[] = {
        {"\" ", "GET / HTTP/1.1\" 200 5", "GET / HTTP/1.1", "200 5"},
        {"\" ", "GET /x\\\" 200 1 \\\"a\\\" HTTP/1.1\" 400 2",
         "GET /x\\\" 200 1 \\\"a\\\" HTTP/1.1", "400 2"},
        // An escaped backslash before the quote: the quote ends the field.
        {"\" ", "a\\\\\" b", "a\\\\", "b"},
        {"\" ", "a\\\\\\\" b\" c", "a\\\\\\\" b", "c"},
        // A quote not followed by a blank is no separator, escaped or not.
        {"\" ", "a\"b\" c", "a\"b", "c"},
        {"\"", "Mozilla \\\"x\\\"\" reste", "Mozilla \\\"x\\\"", " reste"},
        // Only escaped quotes: the whole remainder, as without a separator.
        {"\" ", "a\\\" b", "a\\\" b", ""},
        {"\" ", "\" b", "-", "b"},
        {"\" ", "", "-", ""},
        {"\"", "\\", "\\", ""},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(testing::Message() << "ligne '" << c.ligne << "'");
        std::string_view reste = c.ligne;
        EXPECT_EQ(extraireChampEchappe(c.separateur, reste), c.champ);
        EXPECT_EQ(reste, c.reste);
        // Without a backslash the cut is the plain one.
        if (c.ligne.find('\\') == std::string_view::npos) {
            std::string_view simple = c.ligne;
            EXPECT_EQ(extraireChamp(c.separateur, simple), c.champ);
        }
    }
}

TEST(ExtraireChamp, ReprendApresLeSeparateurJusquAuBout) {
    // The hourly slices cut the hour out of a time text this way.
    std::string_view reste = "10:15:32";
    EXPECT_EQ(extraireChamp(":", reste), "10");
    EXPECT_EQ(extraireChamp(":", reste), "15");
    EXPECT_EQ(extraireChamp(":", reste), "32");
    EXPECT_EQ(extraireChamp(":", reste), "-");
    EXPECT_EQ(reste, "");
}

TEST(SupprimerDebut, Cas) {
    struct Cas {
        std::size_t n;
        std::string_view ligne, reste;
    };
    const Cas cas[] = {
        {1, "[06/Dec", "06/Dec"}, {0, "abc", "abc"}, {2, "abc", "c"},
        {3, "abc", ""},           {4, "abc", ""},    {1, "", ""},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(testing::Message() << c.n << " de '" << c.ligne << "'");
        std::string_view reste = c.ligne;
        supprimerDebut(c.n, reste);
        EXPECT_EQ(reste, c.reste);
    }
    std::string_view reste = "x";
    supprimerDebut(5, reste);
    EXPECT_EQ(extraireChamp(" ", reste), "-");
}

TEST(ConvertirEntier, ValeursCorrectes) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    struct Cas {
        std::string_view texte;
        int32_t valeur;
    };
    const Cas cas[] = {
        {"0", 0},
        {"7", 7},
        {"200", 200},
        {"-7", -7},
        {"+7", 7},
        {"-0", 0},
        {"   42", 42},
        {" -42", -42},
        {"  +42", 42},
        {"007", 7},
        {"000000000000000000000012", 12},
        {"2147483647", kMax},
        {"-2147483648", kMin},
        {"+2147483647", kMax},
        {"$1F", 31},
        {"$1f", 31},
        {"x1F", 31},
        {"X1f", 31},
        {"0x1F", 31},
        {"0X1f", 31},
        {"0x0", 0},
        {"$0", 0},
        {"-$10", -16},
        {"+0x10", 16},
        {"  $FF", 255},
        {" -x7fffffff", -kMax},
        {"$7FFFFFFF", kMax},
        {"0x00000000007fffffff", kMax},
        {"-$80000000", kMin},
        {"-0X80000000", kMin},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(testing::Message() << "'" << c.texte << "'");
        EXPECT_EQ(convertirEntier(c.texte), c.valeur);
        int32_t v = 0;
        EXPECT_TRUE(essayerConvertirEntier(c.texte, v));
        EXPECT_EQ(v, c.valeur);
    }
}

TEST(ConvertirEntier, ValeursIncorrectesNommentLeTexteTelQuel) {
    const std::string_view cas[] = {
        "",           " ",
        "-",          "+",
        "$",          "x",
        "X",          "0x",
        "-0x",        " $",
        "2147483648", "-2147483649",
        "4294967296", "99999999999999999999999",
        "$80000000",  "0x100000000",
        "-$80000001", "12 ",
        "1 2",        "- 5",
        "+-5",        "--5",
        "$-5",        "0x-5",
        "x 5",        "\t5",
        "5\r",        "abc",
        "nc",         "NC",
        "Nc",         "OK",
        "www",        "1.5",
        "1e3",        "1,000",
        "12abc",      "$G",
        "0x1G",       "0b101",
        "0x$1",       "\xE9",
    };
    for (std::string_view texte : cas) {
        SCOPED_TRACE(testing::Message() << "'" << texte << "'");
        EXPECT_EQ(erreurDe([&] { convertirEntier(texte); }), messageEntier(texte));
        int32_t v = 0;
        EXPECT_FALSE(essayerConvertirEntier(texte, v));
    }
}

TEST(ConvertirEntier64, MemesReglesSurSoixanteQuatreBits) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    struct Cas {
        std::string_view texte;
        int64_t valeur;
    };
    const Cas valides[] = {
        {"0", 0},
        {" -42", -42},
        {"$1f", 31},
        {"2147483648", 2147483648},
        {"-2147483649", -2147483649},
        {"3000000000", 3000000000},
        {"  $B2D05E00", 3000000000},
        {"0x100000000", 4294967296},
        {"9223372036854775807", kMax},
        {"+9223372036854775807", kMax},
        {"-9223372036854775808", kMin},
        {"$7FFFFFFFFFFFFFFF", kMax},
        {"0x00000000007fffffffffffffff", kMax},
        {"-x8000000000000000", kMin},
    };
    for (const Cas& c : valides) {
        SCOPED_TRACE(testing::Message() << "'" << c.texte << "'");
        EXPECT_EQ(convertirEntier64(c.texte), c.valeur);
    }
    const std::string_view invalides[] = {
        "9223372036854775808",
        "-9223372036854775809",
        "$8000000000000000",
        "18446744073709551616",
        "99999999999999999999999",
        "-$8000000000000001",
        "3000000000 ",
        "",
        "-",
        "NC",
        "0x",
        "$G",
        "1e10",
    };
    for (std::string_view texte : invalides) {
        SCOPED_TRACE(testing::Message() << "'" << texte << "'");
        EXPECT_EQ(erreurDe([&] { convertirEntier64(texte); }), messageEntier(texte));
    }
}

TEST(ConvertirEntier, MessageExactAvecAccentWindows1252) {
    EXPECT_EQ(erreurDe([] { convertirEntier(" 12 "); }),
              std::string("' 12 ' n'est pas une valeur enti\xE8re correcte"));
    // The accent is the single byte E8, not a UTF-8 sequence.
    const std::string m = *erreurDe([] { convertirEntier("-"); });
    EXPECT_EQ(m.size(), std::string_view("'-' n'est pas une valeur entiere correcte").size());
    EXPECT_NE(m.find('\xE8'), std::string::npos);
}

TEST(ConvertirEntier, ErreurEstUneRuntimeError) {
    EXPECT_THROW(convertirEntier("nc"), std::runtime_error);
}

namespace {

// The conversion as the rule reads, with the standard library doing the digits: blanks, a sign,
// then decimal digits or "$", "x", "0x" (either case) and hexadecimal digits.
std::optional<int32_t> conversionDeReference(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    bool negatif = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negatif = t[i++] == '-';
    int base = 10;
    const std::string_view suite = t.substr(i);
    if (suite.starts_with('$') || suite.starts_with('x') || suite.starts_with('X')) {
        base = 16;
        i += 1;
    } else if (suite.starts_with("0x") || suite.starts_with("0X")) {
        base = 16;
        i += 2;
    }
    const std::string_view chiffres = t.substr(i);
    if (chiffres.empty()) return std::nullopt;
    uint64_t v = 0;
    const char* fin = chiffres.data() + chiffres.size();
    const auto [p, ec] = std::from_chars(chiffres.data(), fin, v, base);
    if (ec != std::errc() || p != fin) return std::nullopt;
    if (v > (uint64_t{1} << 32)) return std::nullopt;
    const int64_t s = negatif ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    if (s < std::numeric_limits<int32_t>::min() || s > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(s);
}

}  // namespace

TEST(ConvertirEntier, AccordAvecLaRegleSurDesTextesTires) {
    std::mt19937 alea(20061206);
    constexpr std::string_view kAlphabet = " +-$xX00123456789789abcfABFg.";
    int valides = 0;
    for (int k = 0; k < 50000; ++k) {
        std::string t;
        const std::size_t n = alea() % 13;
        for (std::size_t j = 0; j < n; ++j) t += kAlphabet[alea() % kAlphabet.size()];
        const std::optional<int32_t> attendu = conversionDeReference(t);
        int32_t v = 0;
        const bool ok = essayerConvertirEntier(t, v);
        ASSERT_EQ(ok, attendu.has_value()) << "'" << t << "'";
        if (ok) {
            ++valides;
            ASSERT_EQ(v, *attendu) << "'" << t << "'";
        }
    }
    // The draw must reach both outcomes to mean anything.
    EXPECT_GT(valides, 1000);
    EXPECT_LT(valides, 49000);
}

TEST(EcrireEntier, DecimalSansSeparateur) {
    struct Cas {
        int64_t valeur;
        std::string_view texte;
    };
    const Cas cas[] = {
        {0, "0"},
        {7, "7"},
        {-1, "-1"},
        {1250, "1250"},
        {2147483647, "2147483647"},
        {-2147483648LL, "-2147483648"},
        {std::numeric_limits<int64_t>::max(), "9223372036854775807"},
        {std::numeric_limits<int64_t>::min(), "-9223372036854775808"},
    };
    for (const Cas& c : cas) {
        EXPECT_EQ(ecrireEntier(c.valeur), c.texte);
        std::string s = "x=";
        ajouterEntier(s, c.valeur);
        EXPECT_EQ(s, "x=" + std::string(c.texte));
    }
}

TEST(RechercheOctets, CommeLaBibliothequeATouteLongueur) {
    // Every length across the 16-byte blocks, the byte looked for at every place, once or twice.
    std::mt19937 alea(7);
    for (std::size_t n = 0; n <= 70; ++n) {
        for (int essai = 0; essai < 40; ++essai) {
            std::string s(n, 'a');
            for (char& c : s) c = "ab(;) "[alea() % 6];
            const std::string_view v = s;
            for (const char c : {'(', ')', ';', ' ', 'z'}) {
                SCOPED_TRACE(testing::Message() << "'" << s << "' " << c);
                EXPECT_EQ(chercherDernier(v, c), v.rfind(c));
                const char* premier = trouverOctet(v.data(), v.size(), c);
                EXPECT_EQ(
                    premier ? static_cast<std::size_t>(premier - v.data()) : std::string_view::npos,
                    v.find(c));
            }
        }
    }
}

namespace {

// A drawn text for the field search: bytes of the separators and others, NUL included, with the
// separator placed at the start, at the end, in runs, or kept out altogether.
std::string texteTire(std::mt19937& alea, std::string_view separateur) {
    constexpr std::string_view kOctets = "ab. ]\"\0:"sv;
    const std::size_t n = alea() % 8 == 0 ? alea() % 300 : alea() % 70;
    std::string t;
    for (std::size_t k = 0; k < n; ++k) t += kOctets[alea() % kOctets.size()];
    switch (alea() % 5) {
        case 0:
            t.insert(0, separateur);
            break;
        case 1:
            t += separateur;
            break;
        case 2: {
            const std::size_t p = alea() % (t.size() + 1);
            for (std::size_t k = 1 + alea() % 4; k > 0; --k) t.insert(p, separateur);
            break;
        }
        case 3:
            // None of the separator's bytes: the search runs to the end.
            std::erase_if(t, [&](char c) { return separateur.find(c) != std::string_view::npos; });
            break;
        default:
            break;
    }
    return t;
}

}  // namespace

TEST(ExtraireChamp, CommeFindSurDesTextesTires) {
    // The field search against the standard library's, from every offset of drawn texts of
    // every length across the 16-byte blocks; then the texts cut field by field to their end.
    std::mt19937 alea(1206);
    const std::vector<std::string_view> separateurs = {
        "."sv,  " "sv,  ":"sv,   "\""sv,  "\0"sv,   "z"sv,  "] "sv, "\" "sv,
        ".."sv, "  "sv, "\0 "sv, " \0"sv, "\0\0"sv, "]]"sv, "zz"sv, "a."sv};
    int auDebut = 0, aLaFin = 0, repetes = 0, absents = 0, coupes = 0;
    for (int essai = 0; essai < 20000; ++essai) {
        const std::string_view separateur = separateurs[alea() % separateurs.size()];
        const std::string t = texteTire(alea, separateur);
        const std::string_view texte = t;
        SCOPED_TRACE(testing::Message() << "'" << t << "' / '" << separateur << "'");
        for (std::size_t k = 0; k <= texte.size(); ++k) {
            const std::string_view suite = texte.substr(k);
            ASSERT_EQ(chercher(suite, separateur), suite.find(separateur)) << "from " << k;
        }
        ASSERT_EQ(chercher(texte, ""), 0u);
        auDebut += texte.starts_with(separateur);
        aLaFin += texte.ends_with(separateur);
        repetes += texte.find(cat(separateur, separateur)) != std::string_view::npos;
        absents += texte.find(separateur) == std::string_view::npos;

        std::string_view reste = texte;
        do {
            const std::size_t q = reste.find(separateur);
            const std::string_view avant = reste.substr(0, q);
            const std::string_view apres = q == std::string_view::npos
                                               ? reste.substr(reste.size())
                                               : reste.substr(q + separateur.size());
            const std::string_view champ = extraireChamp(separateur, reste);
            if (avant.empty()) {
                ASSERT_EQ(champ, "-");
            } else {
                // The field is the text itself, not a copy.
                ASSERT_EQ(static_cast<const void*>(champ.data()), avant.data());
                ASSERT_EQ(champ.size(), avant.size());
            }
            ASSERT_EQ(static_cast<const void*>(reste.data()), apres.data());
            ASSERT_EQ(reste.size(), apres.size());
            ++coupes;
        } while (!reste.empty());
    }
    // The draw reaches every placement of the separator.
    EXPECT_GT(auDebut, 3000);
    EXPECT_GT(aLaFin, 3000);
    EXPECT_GT(repetes, 3000);
    EXPECT_GT(absents, 3000);
    EXPECT_GT(coupes, 50000);
}
