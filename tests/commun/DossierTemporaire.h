// A folder of its own under the system's temporary folder, removed with everything in it when
// the test ends; files written there byte for byte.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace kestrane::test {

class DossierTemporaire {
  public:
    explicit DossierTemporaire(const std::string& prefixe = "kestrane") {
        std::string modele =
            (std::filesystem::temp_directory_path() / (prefixe + "-XXXXXX")).string();
        racine_ = mkdtemp(modele.data());
    }
    ~DossierTemporaire() { std::filesystem::remove_all(racine_); }
    DossierTemporaire(const DossierTemporaire&) = delete;
    DossierTemporaire& operator=(const DossierTemporaire&) = delete;

    std::string ecrire(const std::string& nom, std::string_view octets) const {
        const std::string chemin = (std::filesystem::path(racine_) / nom).string();
        std::ofstream(chemin, std::ios::binary)
            .write(octets.data(), static_cast<std::streamsize>(octets.size()));
        return chemin;
    }
    const std::string& chemin() const { return racine_; }

  private:
    std::string racine_;
};

}  // namespace kestrane::test
