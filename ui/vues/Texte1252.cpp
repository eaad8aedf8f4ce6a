#include "ui/vues/Texte1252.h"

#include <cstdint>
#include <cstring>

#include "core/analyse/Complements.h"
#include "core/journal/Texte.h"

namespace kestrane {

namespace {

// The byte of a character, or -1 when Windows-1252 has none.
int octetDe(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (int o = 0x80; o < 0xA0; ++o) {
        if (kTable1252[o] == c) return o;
    }
    return -1;
}

}  // namespace

QString depuis1252(std::string_view octets) {
    QString texte;
    ajouter1252(texte, octets);
    return texte;
}

void ajouter1252(QString& dest, std::string_view octets) {
    const qsizetype debut = dest.size();
    dest.resize(debut + static_cast<qsizetype>(octets.size()));
    char16_t* p = reinterpret_cast<char16_t*>(dest.data()) + debut;
    const auto* o = reinterpret_cast<const unsigned char*>(octets.data());
    const auto* fin = o + octets.size();
    // Logs are mostly ASCII: eight such bytes widen without the table (the copy of a whole
    // journal spends its time here).
    while (fin - o >= 8) {
        uint64_t huit;
        std::memcpy(&huit, o, 8);
        if (huit & 0x8080808080808080ULL) {
            for (int k = 0; k < 8; ++k) p[k] = kTable1252[o[k]];
        } else {
            for (int k = 0; k < 8; ++k) p[k] = o[k];
        }
        o += 8;
        p += 8;
    }
    while (o < fin) *p++ = kTable1252[*o++];
}

std::string vers1252(QStringView texte, bool* complet) {
    std::string octets;
    octets.reserve(static_cast<std::size_t>(texte.size()));
    bool tout = true;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char16_t c = texte[i].unicode();
        const int o = octetDe(c);
        if (o >= 0) {
            octets.push_back(static_cast<char>(o));
            continue;
        }
        tout = false;
        octets.push_back('?');
        // A surrogate pair is one character: one '?'.
        if (QChar::isHighSurrogate(c) && i + 1 < texte.size() && texte[i + 1].isLowSurrogate()) {
            ++i;
        }
    }
    if (complet) *complet = tout;
    return octets;
}

QString depuisJournal(std::string_view octets) {
    return QString::fromStdString(utf8DuJournal(octets));
}

QString bulleTexte(const QString& texte) {
    if (texte.isEmpty()) return texte;
    return QStringLiteral("<p style=\"white-space:pre\">") +
           texte.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")) +
           QStringLiteral("</p>");
}

QString controlesVisibles(const QString& texte) {
    QString affiche;
    affiche.reserve(texte.size());
    for (const QChar c : texte) {
        const char16_t u = c.unicode();
        if (u < 0x20) {
            affiche += QChar(static_cast<char16_t>(0x2400 + u));
        } else if (u == 0x7F) {
            affiche += QChar(u'\u2421');
        } else if (u >= 0x80 && u <= 0x9F) {
            affiche += QStringLiteral("\\x") + QString::number(u, 16);
        } else {
            affiche += c;
        }
    }
    return affiche;
}

QString quantiteTexte(int64_t n, const char* singulier, const char* pluriel) {
    return QString::fromStdString(quantite(n, singulier, pluriel));
}

}  // namespace kestrane
