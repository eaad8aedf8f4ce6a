#include "core/audience/BasePays.h"

#include <arpa/inet.h>
#include <maxminddb.h>
#include <netinet/in.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <span>

#include "core/audience/DonneesMmdb.h"
#include "core/audience/TexteUtf8.h"

namespace kestrane {

namespace {

// Ranges no database places in a country: "this" network, private, shared (carrier NAT),
// loopback, link-local, multicast and reserved.
bool reserveeIPv4(uint32_t a) {
    const auto dans = [a](uint32_t reseau, int bits) {
        return (a >> (32 - bits)) == (reseau >> (32 - bits));
    };
    return dans(0x00000000, 8) || dans(0x0A000000, 8) || dans(0x64400000, 10) ||
           dans(0x7F000000, 8) || dans(0xA9FE0000, 16) || dans(0xAC100000, 12) ||
           dans(0xC0A80000, 16) || dans(0xE0000000, 3);
}

// Unspecified, loopback, unique local (fc00::/7), link-local (fe80::/10), multicast (ff00::/8).
bool reserveeIPv6(const unsigned char* o) {
    static constexpr unsigned char kZeros[15] = {};
    if (std::memcmp(o, kZeros, 15) == 0 && o[15] <= 1) return true;
    return (o[0] & 0xFE) == 0xFC || (o[0] == 0xFE && (o[1] & 0xC0) == 0x80) || o[0] == 0xFF;
}

// The file's layout checked against what its metadata say, before the library is trusted with a
// lookup: it reads the tree where the node count puts it and the data where the tree's records
// point, and libmaxminddb 1.7.1 checks the tree against the file's size in 32 bits, where 2^32 - 1
// nodes of 6 bytes and the separator wrap to 10 bytes (it took a file of 274 bytes with that
// count, and looked gigabytes past its end).
// A MaxMind DB file is the search tree, 16 zero bytes, the data section, the marker
// "\xAB\xCD\xEFMaxMind.com" and the metadata. Gives the data section, nothing when the file does
// not hold what the metadata say.
std::optional<std::span<const uint8_t>> sectionDeDonnees(const MMDB_s& m) {
    constexpr uint64_t kSeparateur = 16, kMarque = 14;
    const uint64_t bits = m.metadata.record_size;
    if (bits != 24 && bits != 28 && bits != 32) return std::nullopt;
    if (m.full_record_byte_size != bits * 2 / 8) return std::nullopt;
    if (m.metadata.node_count == 0) return std::nullopt;
    if (m.metadata.ip_version != 4 && m.metadata.ip_version != 6) return std::nullopt;
    if (m.file_size <= 0 || !m.file_content || !m.metadata_section) return std::nullopt;
    const uint64_t taille = static_cast<uint64_t>(m.file_size);
    // 64 bits: at most 2^32 nodes of 8 bytes each.
    const uint64_t arbre = uint64_t{m.metadata.node_count} * bits * 2 / 8;
    if (arbre > taille || taille - arbre < kSeparateur) return std::nullopt;
    const uint64_t debut = arbre + kSeparateur;
    // The library's own positions, as addresses: a wrong one may lie outside the mapping.
    const auto adresse = [](const uint8_t* o) { return reinterpret_cast<uintptr_t>(o); };
    const uintptr_t fichier = adresse(m.file_content);
    if (adresse(m.data_section) != fichier + debut) return std::nullopt;
    // Its records point anywhere in the data section it sees, which must lie in the file.
    if (m.data_section_size > taille - debut) return std::nullopt;
    if (adresse(m.metadata_section) < fichier) return std::nullopt;
    const uint64_t metadonnees = adresse(m.metadata_section) - fichier;
    if (metadonnees > taille || m.metadata_section_size > taille - metadonnees) return std::nullopt;
    // The data section ends at the marker.
    if (metadonnees < debut + kMarque) return std::nullopt;
    return std::span<const uint8_t>(m.file_content + debut, metadonnees - kMarque - debut);
}

}  // namespace

struct BasePays::Etat {
    MMDB_s mmdb{};
    bool ouverte = false;
    // What nomPays reads: the data section, up to the metadata's marker.
    std::span<const uint8_t> donnees;
    ~Etat() {
        if (ouverte) MMDB_close(&mmdb);
    }

    // `bits`: the length of the prefix of the network the record was found for (IPv6 or IPv4
    // as the database is), -1 when none was.
    int64_t chercher(const sockaddr* adresse, int* bits = nullptr) const {
        int erreur = MMDB_SUCCESS;
        // The lookup only reads the database; the library's signature wants it writable.
        const MMDB_lookup_result_s r =
            MMDB_lookup_sockaddr(const_cast<MMDB_s*>(&mmdb), adresse, &erreur);
        if (bits) *bits = -1;
        if (erreur != MMDB_SUCCESS || !r.found_entry) return -1;
        if (bits) *bits = r.netmask;
        return static_cast<int64_t>(r.entry.offset);
    }
};

ErreurBasePays::ErreurBasePays(const std::string& chemin)
    : ErreurKestrane('"' + chemin + '"' + std::string(kBaseIllisible)), chemin_(chemin) {}

std::vector<std::string> dossiersGeoIP() {
    return {"/usr/share/GeoIP", "/var/lib/GeoIP"};
}

std::string chercherBasePays(const std::vector<std::string>& dossiers) {
    namespace fs = std::filesystem;
    for (const std::string& dossier : dossiers) {
        std::vector<std::string> noms;
        std::error_code erreur;
        for (fs::directory_iterator it(dossier, erreur), fin; !erreur && it != fin;
             it.increment(erreur)) {
            const std::string nom = it->path().filename().string();
            std::error_code e;
            if (nom.find("ountry") != std::string::npos && nom.size() > 5 &&
                nom.compare(nom.size() - 5, 5, ".mmdb") == 0 &&
                fs::is_regular_file(it->path(), e)) {
                noms.push_back(nom);
            }
        }
        if (!noms.empty()) {
            std::sort(noms.begin(), noms.end());
            return (fs::path(dossier) / noms.front()).string();
        }
    }
    return {};
}

BasePays::BasePays(const std::string& chemin) : chemin_(chemin), etat_(std::make_unique<Etat>()) {
    struct stat infos;
    if (::stat(chemin.c_str(), &infos) != 0) {
        leverErreurFichier(kOuvertureFichier, chemin, std::strerror(errno));
    }
    if (!S_ISREG(infos.st_mode))
        leverErreurFichier(kOuvertureFichier, chemin, std::string(kPasFichierOrdinaire));
    errno = 0;
    const int resultat = MMDB_open(chemin.c_str(), MMDB_MODE_MMAP, &etat_->mmdb);
    if (resultat == MMDB_FILE_OPEN_ERROR) {
        leverErreurFichier(kOuvertureFichier, chemin, std::strerror(errno != 0 ? errno : EIO));
    }
    if (resultat != MMDB_SUCCESS) throw ErreurBasePays(chemin);
    etat_->ouverte = true;
    const auto donnees = sectionDeDonnees(etat_->mmdb);
    if (!donnees) throw ErreurBasePays(chemin);
    etat_->donnees = *donnees;
    // The library finds where IPv4 addresses start in the tree on the first IPv4 lookup and
    // keeps it: done here, so that the lookups of both stretches, on two threads, only read.
    ficheIPv4(0x08080808);
}

BasePays::~BasePays() = default;

std::string BasePays::typeBase() const {
    const char* type = etat_->mmdb.metadata.database_type;
    return type ? texteUtf8(type) : std::string();
}

int64_t BasePays::ficheIPv4(uint32_t adresse) const {
    if (reserveeIPv4(adresse)) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(adresse);
    return etat_->chercher(reinterpret_cast<const sockaddr*>(&a));
}

std::vector<int64_t> BasePays::fichesIPv4(const std::vector<uint32_t>& adresses) const {
    std::vector<int64_t> fiches;
    fiches.reserve(adresses.size());
    // The network of the last record found, from its first address to its last.
    bool reseau = false;
    uint32_t premiere = 0, derniere = 0;
    int64_t ficheReseau = -1;
    for (const uint32_t a : adresses) {
        if (reserveeIPv4(a)) {
            fiches.push_back(-1);
            continue;
        }
        if (reseau && a >= premiere && a <= derniere) {
            fiches.push_back(ficheReseau);
            continue;
        }
        sockaddr_in s{};
        s.sin_family = AF_INET;
        s.sin_addr.s_addr = htonl(a);
        int bits;
        const int64_t f = etat_->chercher(reinterpret_cast<const sockaddr*>(&s), &bits);
        fiches.push_back(f);
        // An IPv6 database gives IPv4 prefixes 96 bits longer.
        if (bits >= 0 && etat_->mmdb.metadata.ip_version == 6) bits -= 96;
        reseau = bits >= 0 && f >= 0;
        if (reseau) {
            const uint32_t hote = bits >= 32 ? 0 : bits <= 0 ? UINT32_MAX : UINT32_MAX >> bits;
            premiere = a & ~hote;
            derniere = a | hote;
            ficheReseau = f;
        }
    }
    return fiches;
}

int64_t BasePays::fiche(std::string_view adresse) const {
    // inet_pton reads numbers only: a host name is never resolved.
    char texte[INET6_ADDRSTRLEN + 1];
    if (adresse.empty() || adresse.size() >= sizeof texte) return -1;
    std::memcpy(texte, adresse.data(), adresse.size());
    texte[adresse.size()] = '\0';
    in_addr v4;
    if (inet_pton(AF_INET, texte, &v4) == 1) return ficheIPv4(ntohl(v4.s_addr));
    sockaddr_in6 a{};
    if (inet_pton(AF_INET6, texte, &a.sin6_addr) != 1) return -1;
    const unsigned char* o = a.sin6_addr.s6_addr;
    static constexpr unsigned char kIPv4Associee[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::memcmp(o, kIPv4Associee, 12) == 0) {
        return ficheIPv4(static_cast<uint32_t>(o[12]) << 24 | static_cast<uint32_t>(o[13]) << 16 |
                         static_cast<uint32_t>(o[14]) << 8 | o[15]);
    }
    if (reserveeIPv6(o)) return -1;
    a.sin6_family = AF_INET6;
    return etat_->chercher(reinterpret_cast<const sockaddr*>(&a));
}

std::string BasePays::nomPays(int64_t fiche) const {
    if (fiche < 0) return {};
    const auto texte = [&](std::initializer_list<std::string_view> chemin) {
        const std::optional<std::string_view> t =
            texteMmdb(etat_->donnees, static_cast<uint64_t>(fiche), chemin);
        return t ? texteUtf8(*t) : std::string();
    };
    for (const std::string_view pays : {"country", "registered_country"}) {
        std::string nom = texte({pays, "names", "fr"});
        if (nom.empty()) nom = texte({pays, "names", "en"});
        if (nom.empty()) nom = texte({pays, "iso_code"});
        if (!nom.empty()) return nom;
    }
    return {};
}

std::string BasePays::codePays(int64_t fiche) const {
    if (fiche < 0) return {};
    for (const std::string_view pays : {"country", "registered_country"}) {
        const std::optional<std::string_view> t =
            texteMmdb(etat_->donnees, static_cast<uint64_t>(fiche), {pays, "iso_code"});
        if (t && !t->empty()) return texteUtf8(*t);
    }
    return {};
}

std::string BasePays::paysDe(std::string_view adresse) const {
    const std::string nom = nomPays(fiche(adresse));
    return nom.empty() ? std::string(kPaysInconnu) : nom;
}

}  // namespace kestrane
